// The position-marker button on a form: see-through painting, the pressed look, clicks and redraws.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "InputSupport.h"
#include "MarkerLook.h"
#include "controls/SmoothButton.h"
#include "controls/SmoothGDIP.h"
#include "framework/Forms.h"

namespace px2d {
namespace {

using namespace px2d::testing;

constexpr COLORREF PageColor = RGB(20, 160, 60);
// The page colour as a 32-bit pixel reads it: 0x..RRGGBB.
constexpr std::uint32_t PagePixel = 20u << 16 | 160u << 8 | 60u;

class TMarkerHost : public TForm {
 public:
  using TForm::TForm;
  const char* ClassName() const override { return "TMarkerHost"; }
};

class SmoothButton : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { Gdip = std::make_unique<TSmoothGDIP>(); }
  static void TearDownTestSuite() { Gdip.reset(); }
  static std::unique_ptr<TSmoothGDIP> Gdip;

  void SetUp() override {
    Host = std::make_unique<TMarkerHost>();
    Host->SetClientSize(120, 80);
    Host->SetColor(static_cast<TColor>(PageColor));
    Marker = Host->InsertControl(std::make_unique<TSmoothButton>(Host.get()));
    Marker->SetBounds(40, 30, 16, 16);
    Marker->SetColor(7237229);
    Marker->OnClick = [this](TObject*) { Events.push_back("click"); };
    Marker->OnDblClick = [this](TObject*) { Events.push_back("dblclick"); };
    Marker->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { Events.push_back("up"); };
    Host->HandleNeeded();
  }
  void TearDown() override { Host.reset(); }

  // The marker as its paint handler draws it, parent beneath included.
  std::unique_ptr<TDibSurface> Shot() {
    auto shot = std::make_unique<TDibSurface>(Marker->Width(), Marker->Height());
    shot->Fill(RGB(255, 0, 255));
    SendMessageA(Marker->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shot->DC()), PRF_CLIENT);
    return shot;
  }
  void ExpectShows(const Look& look) {
    auto shot = Shot();
    ExpectLook([&](int x, int y) { return shot->Pixel(x, y) & 0xFFFFFF; }, look);
    for (const POINT& p : Corners)
      EXPECT_EQ(shot->Pixel(p.x, p.y) & 0xFFFFFF, PagePixel) << p.x << "," << p.y;
  }
  void Send(UINT msg, int x, int y, WPARAM keys = 0) {
    SendMessageA(Marker->Handle(), msg, keys, MAKELPARAM(x, y));
  }
  bool RepaintPending() { return GetUpdateRect(Marker->Handle(), nullptr, FALSE) != FALSE; }

  std::unique_ptr<TMarkerHost> Host;
  TSmoothButton* Marker = nullptr;
  std::vector<std::string> Events;
};
std::unique_ptr<TSmoothGDIP> SmoothButton::Gdip;

TEST_F(SmoothButton, StartsWithItsDefaults) {
  TSmoothButton fresh;
  EXPECT_EQ(fresh.Width(), 75);
  EXPECT_EQ(fresh.Height(), 30);
  EXPECT_EQ(fresh.Color(), 0x808080);
  EXPECT_TRUE(fresh.Bevel());
  EXPECT_EQ(fresh.BevelColor(), 0xFFFFFF);
  EXPECT_EQ(fresh.HorizontalSpacing(), 5);
  EXPECT_EQ(fresh.VerticalSpacing(), 5);
  EXPECT_FALSE(fresh.Status().Visible());
  EXPECT_FALSE(fresh.TabStop());
  fresh.SetVersion("2.0");
  EXPECT_EQ(fresh.Version(), "1.6.0.1");

  char name[32] = {};
  GetClassNameA(Marker->Handle(), name, sizeof name);
  EXPECT_STREQ(name, "TSmoothButton");
  // No keys wanted unless it is a tab stop; then arrows and all keys.
  EXPECT_EQ(SendMessageA(Marker->Handle(), WM_GETDLGCODE, 0, 0), 0);
  Marker->SetTabStop(true);
  EXPECT_EQ(SendMessageA(Marker->Handle(), WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_WANTALLKEYS);
}

TEST_F(SmoothButton, ThePageShowsAroundTheRoundFace) {
  ExpectShows(Idle);
  Marker->SetColor(16750899);
  ExpectShows(Selected);
  // The background erase is answered without touching the surface.
  TDibSurface surface(16, 16);
  surface.Fill(RGB(1, 2, 3));
  EXPECT_NE(SendMessageA(Marker->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(surface.DC()), 0), 0);
  EXPECT_EQ(surface.Pixel(0, 0) & 0xFFFFFF, 0x010203u);
}

TEST_F(SmoothButton, AfterASizeChangeTheFaceFitsTheNewSize) {
  ExpectShows(Idle);
  Marker->SetBounds(40, 30, 30, 12);
  // The wider face reaches past the old 16 pixels.
  EXPECT_NE(Shot()->Pixel(25, 6) & 0xFFFFFF, PagePixel);
  Marker->SetBounds(40, 30, 16, 16);
  ExpectShows(Idle);
}

TEST_F(SmoothButton, AnyButtonPressesButOnlyTheLeftOneClicks) {
  struct Case {
    UINT down, up;
    WPARAM keys;
    std::vector<std::string> events;
  };
  const Case cases[] = {
      {WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, {"click", "up"}},
      {WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, {"up"}},
      {WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON, {"up"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.down);
    Events.clear();
    SetFocus(Host->Handle());
    Send(c.down, 8, 8, c.keys);
    EXPECT_EQ(GetFocus(), Marker->Handle());
    ExpectShows(IdlePressed);
    Send(c.up, 8, 8);
    ExpectShows(Idle);
    EXPECT_EQ(Events, c.events);
  }
  Marker->SetColor(16750899);
  Send(WM_LBUTTONDOWN, 8, 8, MK_LBUTTON);
  ExpectShows(SelectedPressed);
  Send(WM_LBUTTONUP, 8, 8);
}

TEST_F(SmoothButton, ReleasingOffTheMarkerRaisesNoClick) {
  Send(WM_LBUTTONDOWN, 8, 8, MK_LBUTTON);
  Send(WM_MOUSEMOVE, 60, -20, MK_LBUTTON);
  // The pressed look stays wherever the pointer goes while the button is held.
  ExpectShows(IdlePressed);
  Send(WM_LBUTTONUP, 60, -20);
  ExpectShows(Idle);
  EXPECT_EQ(Events, (std::vector<std::string>{"up"}));
}

TEST_F(SmoothButton, DoubleClickRaisesOneClickAndOneDoubleClick) {
  Send(WM_LBUTTONDOWN, 8, 8, MK_LBUTTON);
  Send(WM_LBUTTONUP, 8, 8);
  Send(WM_LBUTTONDBLCLK, 8, 8, MK_LBUTTON);
  Send(WM_LBUTTONUP, 8, 8);
  EXPECT_EQ(Events, (std::vector<std::string>{"click", "up", "dblclick", "up"}));
}

TEST_F(SmoothButton, WritingTheValueItHasDrawsNothingAnew) {
  // Only a window on the screen collects repaint requests.
  Host->Show();
  UpdateWindow(Marker->Handle());
  ASSERT_FALSE(RepaintPending());
  Marker->SetColor(7237229);
  Marker->SetBevel(true);
  Marker->SetBevelColor(0xFFFFFF);
  Marker->SetHorizontalSpacing(5);
  Marker->SetAppearance(Marker->Appearance());
  EXPECT_FALSE(RepaintPending());
  Marker->SetColor(16750899);
  EXPECT_TRUE(RepaintPending());
  UpdateWindow(Marker->Handle());
  Marker->Status().SetOffsetLeft(3);
  EXPECT_TRUE(RepaintPending());
}

TEST_F(SmoothButton, ADisabledMarkerIsGreyAndShowsNoPress) {
  const Look disabled{"disabled",   0x505050,        false,          {80, 80, 80},
                      {40, 40, 40}, {180, 180, 180}, {255, 255, 255}};
  Marker->SetEnabled(false);
  ExpectShows(disabled);
  // Windows delivers no mouse input to a disabled window; a press sent anyway changes nothing.
  Send(WM_LBUTTONDOWN, 8, 8, MK_LBUTTON);
  ExpectShows(disabled);
  Send(WM_LBUTTONUP, 8, 8);
  Marker->SetEnabled(true);
  ExpectShows(Idle);
}

}  // namespace
}  // namespace px2d

namespace px2d {
namespace {

TEST_F(SmoothButton, APressThatLosesTheMouseShowsTheNormalFaceAndDoesNotClick) {
  Host->Show();
  test::Activate(Host->Handle());
  test::MoveTo(Marker->Handle(), 8, 8);
  test::MouseButton(true);
  ExpectShows(IdlePressed);
  // What the system does when a box opens or the user switches to another program.
  SendMessageA(Host->Handle(), WM_CANCELMODE, 0, 0);
  EXPECT_NE(GetCapture(), Marker->Handle());
  ExpectShows(Idle);
  test::MouseButton(false);
  EXPECT_EQ(Events, std::vector<std::string>{"up"});
}

}  // namespace
}  // namespace px2d
