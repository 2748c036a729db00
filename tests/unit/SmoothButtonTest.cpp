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

// On a monitor of 144 pixels per inch the marker is 24 by 24 and its face is the 16 by 16 face half as
// large again: wherever the small face is page or face all around a pixel, so is the large one at that
// place (only the smoothed edge may differ), and the middle has the same colour.
TEST_F(SmoothButton, At144PixelsPerInchTheFaceIsTwentyFourSquareAndLooksTheSame) {
  Marker->SetColor(16750899);
  const auto small = Shot();
  Host->SetPixelsPerInch(144);
  ASSERT_EQ(Marker->Width(), 24);
  ASSERT_EQ(Marker->Height(), 24);
  const auto large = Shot();
  const auto page = [](const TDibSurface& shot, int x, int y) {
    return x < 0 || y < 0 || x >= shot.Width() || y >= shot.Height() ||
           (shot.Pixel(x, y) & 0xFFFFFF) == PagePixel;
  };
  int pages = 0, faces = 0;
  std::vector<POINT> differs;  // where the large face is not what the small one has all around
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 24; ++x) {
      const int sx = (2 * x + 1) / 3, sy = (2 * y + 1) / 3;  // the small pixel under this one's middle
      int around = 0;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) around += page(*small, sx + dx, sy + dy);
      pages += around == 9;
      faces += around == 0;
      if ((around == 9 && !page(*large, x, y)) || (around == 0 && page(*large, x, y)))
        differs.push_back(POINT{x, y});
    }
  // One smoothed pixel may tip either way; corners drawn with the radius of 96 pixels per inch
  // differ at five.
  EXPECT_LE(differs.size(), 2u) << "first at " << differs.front().x << "," << differs.front().y;
  EXPECT_GT(pages, 0);
  EXPECT_GT(faces, 100);
  const std::uint32_t middle16 = small->Pixel(8, 8), middle24 = large->Pixel(12, 12);
  for (int shift : {0, 8, 16})
    EXPECT_NEAR(static_cast<int>((middle24 >> shift) & 0xFF), static_cast<int>((middle16 >> shift) & 0xFF),
                16);
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
