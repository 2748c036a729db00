// The framework's error box: an exception escaping a handler is shown, and the window stays open.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "InputSupport.h"
#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "framework/Handles.h"
#include "framework/SysUtils.h"

namespace px2d {
namespace {

class TThrowingForm : public TForm {
 public:
  using TForm::TForm;
  const char* ClassName() const override { return "TThrowingForm"; }
  std::string Text;

 protected:
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override {
    if (Msg == WM_APP) throw Exception(Text);
    if (Msg == WM_APP + 1) throw 42;  // not an exception class at all
    return TForm::WndProc(Msg, wParam, lParam);
  }
};

using test::AnswerBox;

TEST(Framework, EscapedExceptionIsShownAndTheWindowStays) {
  struct Case {
    std::string message, shown;
  };
  const Case cases[] = {
      {"Bad value", "Bad value."},
      {"Saved.", "Saved."},
      {"Stop!", "Stop!"},
      {"Why?", "Why?."},
      {"Cannot create file \"C:\\a.conf\". Access denied",
       "Cannot create file \"C:\\a.conf\". Access denied."},
  };
  Application.Title = "Framework Test Title";
  TThrowingForm form;
  form.SetClientSize(120, 80);
  form.HandleNeeded();
  for (const auto& c : cases) {
    form.Text = c.message;
    std::string shown;
    std::atomic<bool> answered{false};
    std::thread watcher([&] {
      shown = AnswerBox("Framework Test Title");
      answered = true;
    });
    SendMessageA(form.Handle(), WM_APP, 0, 0);
    // The box comes once the handler has returned, from the message loop.
    test::PumpUntil([&] { return answered.load(); });
    watcher.join();
    EXPECT_EQ(shown, c.shown);
    EXPECT_TRUE(IsWindow(form.Handle()));
  }
}

TEST(Framework, AnythingThrownFromAHandlerIsCaughtAndShown) {
  Application.Title = "Framework Test Title";
  TThrowingForm form;
  form.SetClientSize(120, 80);
  form.HandleNeeded();
  std::string shown;
  std::atomic<bool> answered{false};
  std::thread watcher([&] {
    shown = AnswerBox("Framework Test Title");
    answered = true;
  });
  SendMessageA(form.Handle(), WM_APP + 1, 0, 0);
  test::PumpUntil([&] { return answered.load(); });
  watcher.join();
  EXPECT_EQ(shown, "An unknown error occurred.");
  EXPECT_TRUE(IsWindow(form.Handle()));
}

// Six controls whose paint fails: the failure is shown once, after the paint has returned, and
// every failed paint still validates what it was to paint, so that none fails again and again.
class TFailingPaint : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  const char* ClassName() const override { return "TFailingPaint"; }
  int paints = 0;

 protected:
  void Paint() override {
    ++paints;
    throw Exception("Paint failed");
  }
};

TEST(Framework, ControlsWhosePaintFailsShowOneBoxAndPaintOnce) {
  Application.Title = "Paint Test Title";
  TThrowingForm form;
  form.SetClientSize(240, 80);
  std::vector<TFailingPaint*> controls;
  for (int i = 0; i < 6; ++i) {
    controls.push_back(form.InsertControl(std::make_unique<TFailingPaint>(&form)));
    controls.back()->SetBounds(8 + i * 38, 8, 30, 30);
  }
  std::atomic<int> boxes{0};
  std::atomic<bool> done{false};
  std::thread watcher([&] {
    std::vector<HWND> answered;
    while (!done) {
      HWND box = FindWindowA("#32770", "Paint Test Title");
      if (box && IsWindowVisible(box) && std::find(answered.begin(), answered.end(), box) == answered.end()) {
        answered.push_back(box);
        ++boxes;
        // Left up a while, as a reader would: the paints meanwhile add no box.
        Sleep(test::kQuietPeriod);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
      }
      Sleep(5);
    }
  });
  form.Show();
  EXPECT_TRUE(test::PumpUntil([&] { return boxes > 0 && !FindWindowA("#32770", "Paint Test Title"); }));
  test::Pump(test::kQuietPeriod);
  done = true;
  watcher.join();
  EXPECT_EQ(boxes, 1);
  for (TFailingPaint* control : controls) {
    EXPECT_EQ(control->paints, 1) << "its region was validated";
    EXPECT_FALSE(GetUpdateRect(control->Handle(), nullptr, FALSE));
  }
}

TEST(Framework, FailingTimerShowsOneBoxAndStops) {
  Application.Title = "Timer Test Title";
  TTimer timer;
  int ticks = 0;
  timer.SetInterval(5);
  timer.OnTimer = [&](TObject*) {
    ++ticks;
    throw Exception("Tick failed");
  };
  // Counts the boxes that open, leaving each open for a while, as a reader would: the timer keeps
  // ticking meanwhile. Once the first has been answered, a quiet period shows that none follows.
  std::atomic<int> boxes{0};
  std::atomic<bool> done{false}, answered{false};
  std::thread watcher([&] {
    HWND seen = nullptr;
    while (!done) {
      HWND box = FindWindowA("#32770", "Timer Test Title");
      if (box && box != seen) {
        seen = box;
        ++boxes;
        Sleep(test::kQuietPeriod);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        test::WaitUntil([&] { return !IsWindow(box); });
        answered = true;
      }
      Sleep(5);
    }
  });
  timer.SetEnabled(true);
  EXPECT_TRUE(test::PumpUntil([&] { return answered.load(); })) << "a box came and was answered";
  test::Pump(test::kQuietPeriod);
  done = true;
  watcher.join();
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(ticks, 1);
  EXPECT_FALSE(timer.Enabled());
}

TEST(Framework, WindowClassIsTheClassName) {
  TThrowingForm form;
  form.SetCaption("Caption");
  form.HandleNeeded();
  char name[64] = {};
  GetClassNameA(form.Handle(), name, sizeof name);
  EXPECT_STREQ(name, "TThrowingForm");
  char caption[64] = {};
  GetWindowTextA(form.Handle(), caption, sizeof caption);
  EXPECT_STREQ(caption, "Caption");
  form.SetCaption("Other");
  GetWindowTextA(form.Handle(), caption, sizeof caption);
  EXPECT_STREQ(caption, "Other");
}

TEST(Framework, SystemErrorText) {
  try {
    RaiseOSError(ERROR_FILE_NOT_FOUND);
    FAIL();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode, static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(e.Message(), "System Error.  Code: 2.\r\n" + SysErrorMessage(ERROR_FILE_NOT_FOUND));
  }
  const std::string text = SysErrorMessage(ERROR_ACCESS_DENIED);
  ASSERT_FALSE(text.empty());
  EXPECT_GT(static_cast<unsigned char>(text.back()), ' ');
  EXPECT_NE(text.back(), '.');
}

}  // namespace
}  // namespace px2d

namespace px2d {
namespace {

class TTestForm : public TForm {
 public:
  using TForm::TForm;
  const char* ClassName() const override { return "TFrameworkTestForm"; }
};

// A custom control that paints a translucent-looking half: its left half red, the right half left alone
// so the parent shows through; it records what the framework tells it.
class TProbeControl : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  const char* ClassName() const override { return "TProbeControl"; }
  std::vector<std::string> Log;
  int Loads = 0;

 protected:
  bool EraseBackground(HDC) override { return true; }
  void Paint() override {
    PaintParentUnder(Canvas().Handle());
    Canvas().FillRect(RECT{0, 0, Width() / 2, Height()}, RGB(255, 0, 0));
  }
  void MouseEnter() override { Log.push_back("enter"); }
  void MouseLeave() override { Log.push_back("leave"); }
  void Loaded() override { ++Loads; }
  void FontChanged() override { Log.push_back("font " + Font().Name()); }
};

// A windowless child of the form, painted by the form wherever the form is painted.
class TBlock : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;

 protected:
  void Paint() override { Canvas().FillRect(RECT{0, 0, Width(), Height()}, RGB(0, 0, 255)); }
};

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

struct FrameworkControls : ::testing::Test {
  TTestForm form;
  TProbeControl* probe = nullptr;
  void SetUp() override {
    form.SetClientSize(200, 100);
    form.SetColor(static_cast<TColor>(RGB(0, 255, 0)));
    auto block = std::make_unique<TBlock>();
    block->SetBounds(30, 10, 20, 20);
    form.InsertControl(std::move(block));
    probe = form.InsertControl(std::make_unique<TProbeControl>());
    probe->SetBounds(20, 0, 40, 30);
    form.HandleNeeded();
    ShowWindow(form.Handle(), SW_SHOWNOACTIVATE);
    Pump();
  }
};

TEST_F(FrameworkControls, SeeThroughPaintShowsTheParentAndItsWindowlessChildren) {
  TDibSurface surface(40, 30);
  surface.Fill(RGB(0, 0, 0));
  SendMessageA(probe->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface.DC()), PRF_CLIENT);
  EXPECT_EQ(surface.Pixel(5, 5) & 0xFFFFFF, 0xFF0000u);    // the control's own half
  EXPECT_EQ(surface.Pixel(35, 25) & 0xFFFFFF, 0x00FF00u);  // the form's colour beneath
  EXPECT_EQ(surface.Pixel(25, 15) & 0xFFFFFF, 0x0000FFu);  // the windowless block at (30, 10) of the form
  EXPECT_EQ(surface.Pixel(25, 5) & 0xFFFFFF, 0x00FF00u);   // above the block
}

// A windowless child that counts its paints.
class TCountedBlock : public TBlock {
 public:
  using TBlock::TBlock;
  int Paints = 0;

 protected:
  void Paint() override {
    ++Paints;
    TBlock::Paint();
  }
};

TEST_F(FrameworkControls, WindowlessChildrenPaintOnlyWhereTheDeviceContextMayDraw) {
  auto* inside = form.InsertControl(std::make_unique<TCountedBlock>());
  inside->SetBounds(100, 10, 20, 20);
  auto* outside = form.InsertControl(std::make_unique<TCountedBlock>());
  outside->SetBounds(160, 60, 20, 20);
  // As a control asks for its parent's pixels beneath it: the clip its own rectangle, the origin
  // moved so that the parent's point (90, 0) is the corner; and without any clip, everything.
  TDibSurface under(40, 40), whole(200, 100);
  {
    TSavedDC saved(under.DC());
    IntersectClipRect(under.DC(), 0, 0, 40, 40);
    SetViewportOrgEx(under.DC(), -90, 0, nullptr);
    form.PaintTo(under.DC());
  }
  EXPECT_EQ(inside->Paints, 1);
  EXPECT_EQ(outside->Paints, 0);
  EXPECT_EQ(under.Pixel(15, 15) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(under.Pixel(5, 5) & 0xFFFFFF, 0x00FF00u);
  form.PaintTo(whole.DC());
  EXPECT_EQ(inside->Paints, 2);
  EXPECT_EQ(outside->Paints, 1);
  EXPECT_EQ(whole.Pixel(170, 70) & 0xFFFFFF, 0x0000FFu);
}

// A control that moves its device context's origin and leaves it so, as careless painting code does.
class TCarelessPaint : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  const char* ClassName() const override { return "TCarelessPaint"; }

 protected:
  bool EraseBackground(HDC) override { return true; }
  void Paint() override {
    Canvas().FillRect(RECT{0, 0, Width(), Height()}, RGB(0, 0, 0));
    OffsetViewportOrgEx(Canvas().Handle(), 10, 0, nullptr);
    Canvas().FillRect(RECT{0, 0, 10, 10}, RGB(255, 0, 0));
  }
};

TEST_F(FrameworkControls, DoubleBufferedPaintReachesTheWindow) {
  probe->DoubleBuffered = true;
  probe->Repaint();
  TWindowDC dc(probe->Handle());
  EXPECT_EQ(GetPixel(dc.Get(), 5, 5), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc.Get(), 35, 25), RGB(0, 255, 0));
  // The buffer follows the control's size: a wider control is painted to its new right edge.
  probe->SetBounds(20, 0, 80, 30);
  TWindowDC wider(probe->Handle());
  RECT all{0, 0, 80, 30};
  FillRect(wider.Get(), &all, SolidBrushOf(RGB(255, 0, 255)));
  probe->Repaint();
  EXPECT_EQ(GetPixel(wider.Get(), 35, 25), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(wider.Get(), 75, 25), RGB(0, 255, 0));
  // Each paint starts from a fresh state: what one paint left in the buffer's DC does not move the next.
  auto* careless = form.InsertControl(std::make_unique<TCarelessPaint>());
  careless->SetBounds(100, 40, 40, 20);
  careless->DoubleBuffered = true;
  careless->HandleNeeded();
  for (int paint = 0; paint < 2; ++paint) careless->Repaint();
  TWindowDC after(careless->Handle());
  EXPECT_EQ(GetPixel(after.Get(), 15, 5), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(after.Get(), 25, 5), RGB(0, 0, 0));
}

TEST_F(FrameworkControls, ClickNeedsPressAndReleaseInside) {
  int clicks = 0, dbl = 0;
  probe->OnClick = [&](TObject*) { ++clicks; };
  probe->OnDblClick = [&](TObject*) { ++dbl; };
  HWND h = probe->Handle();
  SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(GetCapture(), h);
  SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(clicks, 1);
  EXPECT_NE(GetCapture(), h);
  SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(5, 30));  // the row below the control
  EXPECT_EQ(clicks, 1);
  SendMessageA(h, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(dbl, 1);
  SendMessageA(h, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
  SendMessageA(h, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(clicks, 1);
}

TEST_F(FrameworkControls, FontFollowsTheParentUntilSetAndLoadedArrivesOnce) {
  form.Font().SetName("Arial");
  EXPECT_EQ(probe->Font().Name(), "Arial");
  EXPECT_TRUE(probe->ParentFont());
  probe->Font().SetName("Tahoma");
  EXPECT_FALSE(probe->ParentFont());
  form.Font().SetName("Courier New");
  EXPECT_EQ(probe->Font().Name(), "Tahoma");
  EXPECT_EQ(probe->Log, (std::vector<std::string>{"font Arial", "font Tahoma"}));

  TComponent owner;
  auto* owned = owner.Own(std::make_unique<TProbeControl>(&owner));
  owner.BeginLoading();
  EXPECT_TRUE(owned->Loading());
  owner.EndLoading();
  EXPECT_FALSE(owned->Loading());
  EXPECT_EQ(owned->Loads, 1);
}

TEST_F(FrameworkControls, WindowlessControlRepaintsWhenItsCaptionBoundsOrVisibilityChange) {
  auto* block = dynamic_cast<TBlock*>(form.Controls().front().get());
  ASSERT_TRUE(block);
  HWND h = form.Handle();
  const auto pending = [h](RECT r) {
    TGdiObject<HRGN> region(CreateRectRgn(0, 0, 0, 0));
    GetUpdateRgn(h, region.Get(), FALSE);
    return RectInRegion(region.Get(), &r) != FALSE;
  };
  const RECT before = block->BoundsRect();
  ValidateRect(h, nullptr);
  block->SetCaption("changed");
  EXPECT_TRUE(pending(before));
  ValidateRect(h, nullptr);
  block->SetBounds(120, 60, 20, 20);
  EXPECT_TRUE(pending(before)) << "where it was";
  EXPECT_TRUE(pending(block->BoundsRect())) << "where it is";
  ValidateRect(h, nullptr);
  block->SetVisible(false);
  EXPECT_TRUE(pending(block->BoundsRect()));
}

TEST(Framework, TimerTicksThroughTheMessageLoop) {
  TTimer timer;
  int ticks = 0;
  timer.SetInterval(1);
  timer.OnTimer = [&](TObject*) {
    if (++ticks == 3) timer.SetEnabled(false);
  };
  timer.SetEnabled(true);
  MSG msg;
  while (timer.Enabled() && GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  EXPECT_EQ(ticks, 3);
}

TEST(Framework, AcceleratorOfCaption) {
  EXPECT_EQ(AcceleratorOf("&General"), 'g');
  EXPECT_EQ(AcceleratorOf("Save && &Quit"), 'q');
  EXPECT_EQ(AcceleratorOf("No accelerator"), 0);
  EXPECT_EQ(AcceleratorOf("Trailing &"), 0);
}

}  // namespace
}  // namespace px2d
