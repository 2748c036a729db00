// The options window as laid out: every control's place at the design size and after the window
// grew, the Tab stops of the pages through real key presses, and the kinds, ranges, texts and fonts.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iterator>
#include <map>
#include <thread>
#include <utility>

#include "DialogTestForm.h"
#include "InputSupport.h"
#include "MarkerLook.h"
#include "core/SettingKeys.h"
#include "fmMain.h"
#include "framework/Accessibility.h"
#include "framework/SysUtils.h"
#include "support/AccessibleQueries.h"
#include "support/AppTheme.h"
#include "support/ColorScheme.h"
#include "support/IconSide.h"
#include "support/Processes.h"

namespace px2d::test {
namespace {

// Starts without a settings file: the window shows the defaults, whatever earlier tests left.
void RemoveSettingsFile() {
  TGenericSetup store;
  store.AppName = "Panoplex2D";
  DeleteFileW(AnsiToWide(store.ConfigFileName()).c_str());
}

struct OptionsWindow : ::testing::Test {
  std::unique_ptr<TForm1> form;
  void SetUp() override {
    RemoveSettingsFile();
    Open();
  }
  // Opens the window on whatever settings file there is.
  void Open() {
    form = std::make_unique<TForm1>(nullptr);
    Open2();
  }
  // The rest of opening, for a window already made; shown as the program's start shows it (painted
  // by the message loop), or painted at once.
  void Open2(bool PaintNow = true) {
    form->HandleNeeded();
    form->OnCreate(form.get());
    SetWindowPos(form->Handle(), HWND_TOP, 30, 30, 0, 0, SWP_NOSIZE);
    form->Show(PaintNow);
    Activate(form->Handle());
    // The pages not shown get their windows at idle moments; a busy desktop may leave some to
    // later, so finish that work here as a moment of a real start would.
    while (form->Idle()) {
    }
  }
  void TearDown() override {
    form.reset();
    RemoveSettingsFile();
  }
  void SetClient(int Width, int Height) {
    RECT r{0, 0, Width, Height};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(form->Handle(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(form->Handle(), GWL_EXSTYLE)));
    SetWindowPos(form->Handle(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER);
  }
};

// The messages of one kind that a window of this thread is sent, while the watch lasts.
class TSentWatch {
 public:
  TSentWatch(HWND Window, UINT Message) {
    Active = this;
    FWindow = Window;
    FMessage = Message;
    FHook = SetWindowsHookExA(WH_CALLWNDPROC, &Record, nullptr, GetCurrentThreadId());
  }
  ~TSentWatch() {
    UnhookWindowsHookEx(FHook);
    Active = nullptr;
  }
  TSentWatch(const TSentWatch&) = delete;
  TSentWatch& operator=(const TSentWatch&) = delete;
  std::vector<WPARAM> Seen;

 private:
  static LRESULT CALLBACK Record(int Code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (Code == HC_ACTION && Active && sent->hwnd == Active->FWindow && sent->message == Active->FMessage)
      Active->Seen.push_back(sent->wParam);
    return CallNextHookEx(nullptr, Code, wParam, lParam);
  }
  static inline TSentWatch* Active = nullptr;
  HWND FWindow = nullptr;
  UINT FMessage = 0;
  HHOOK FHook = nullptr;
};

template <auto Field>
TControl* Get(TForm1& Form) {
  return Form.*Field;
}

// A control's place in its parent; a size of -1 is the label's own (it sizes itself to its text).
struct TPlace {
  TControl* (*control)(TForm1&);
  int left, top, width, height;
  // After the window grew by (200, 100): how far it moved right and down, and how much it grew.
  int dx = 0, dy = 0, dw = 0, dh = 0;
};

// The window's tables at 96 pixels per inch.
const TPlace Places[] = {
    // The window: the bar at the bottom with its buttons on the right, the pages taking all growth.
    {Get<&TForm1::Panel1>, 0, 515, 590, 41, 0, 100, 200, 0},
    {Get<&TForm1::Bevel1>, 0, 0, 590, 9, 0, 0, 200, 0},
    {Get<&TForm1::btAccept>, 297, 8, 91, 25, 200, 0, 0, 0},
    {Get<&TForm1::btCancel>, 394, 8, 91, 25, 200, 0, 0, 0},
    {Get<&TForm1::btApply>, 491, 8, 91, 25, 200, 0, 0, 0},
    // Shown only while the settings file is unread: the text on the left, Read again before Accept.
    {Get<&TForm1::lbUnreadable>, 8, 13, -1, -1},
    {Get<&TForm1::btReadAgain>, 199, 8, 91, 25},
    {Get<&TForm1::PageControl1>, 8, 96, 574, 413, 0, 0, 200, 100},
    {Get<&TForm1::tsOptions>, 4, 4, 566, 405, 0, 0, 200, 100},
    {Get<&TForm1::tsBackground>, 4, 4, 566, 405, 0, 0, 200, 100},
    {Get<&TForm1::tsKeyboard>, 4, 4, 566, 405, 0, 0, 200, 100},
    {Get<&TForm1::tsActiveCorners>, 4, 4, 566, 405, 0, 0, 200, 100},
    {Get<&TForm1::tsSearch>, 4, 4, 566, 405, 0, 0, 200, 100},
    {Get<&TForm1::tsAnimation>, 4, 4, 566, 405, 0, 0, 200, 100},
    {Get<&TForm1::GlassButton2>, 8, 8, 81, 82},
    {Get<&TForm1::GlassButton1>, 95, 8, 81, 82},
    {Get<&TForm1::GlassButton3>, 182, 8, 81, 82},
    {Get<&TForm1::GlassButton5>, 269, 8, 81, 82},
    {Get<&TForm1::GlassButton4>, 356, 8, 81, 82},
    {Get<&TForm1::GlassButton6>, 443, 8, 81, 82},
    // General options: stacked, following the page's width.
    {Get<&TForm1::Label2>, 3, 3, 560, 30, 0, 0, 200, 0},
    {Get<&TForm1::cbRunWithWindows>, 3, 47, 560, 17, 0, 0, 200, 0},
    {Get<&TForm1::Label24>, 19, 70, 544, 15, 0, 0, 200, 0},
    {Get<&TForm1::cbBalloon>, 3, 99, 560, 17, 0, 0, 200, 0},
    {Get<&TForm1::Label3>, 19, 122, 544, 30, 0, 0, 200, 0},
    {Get<&TForm1::cbIncludeMinimized>, 3, 166, 560, 17, 0, 0, 200, 0},
    {Get<&TForm1::Label25>, 19, 189, 544, 15, 0, 0, 200, 0},
    // Background.
    {Get<&TForm1::Label5>, 3, 3, 560, 30, 0, 0, 200, 0},
    {Get<&TForm1::Label6>, 3, 39, 560, 15, 0, 0, 200, 0},
    {Get<&TForm1::cbShowDesktop>, 3, 68, 560, 17, 0, 0, 200, 0},
    {Get<&TForm1::Label15>, 19, 91, 544, 15, 0, 0, 200, 0},
    {Get<&TForm1::cbShowDesktopWindow>, 3, 120, 560, 17, 0, 0, 200, 0},
    {Get<&TForm1::Label1>, 19, 143, 544, 15, 0, 0, 200, 0},
    {Get<&TForm1::Label34>, 19, 172, 544, 15, 0, 0, 200, 0},
    {Get<&TForm1::tbDesktopOpacity>, 14, 193, 549, 32},
    {Get<&TForm1::Label35>, 16, 231, -1, -1},
    {Get<&TForm1::Label37>, 276, 231, -1, -1},
    {Get<&TForm1::Label36>, 535, 231, -1, -1},
    // Keyboard activation.
    {Get<&TForm1::Label7>, 3, 3, 560, 30, 0, 0, 200, 0},
    {Get<&TForm1::Label8>, 3, 39, 560, 30, 0, 0, 200, 0},
    {Get<&TForm1::cbShift>, 38, 128, 73, 17},
    {Get<&TForm1::cbControl>, 38, 151, 73, 17},
    {Get<&TForm1::cbAlt>, 38, 174, 73, 17},
    {Get<&TForm1::cbWin>, 38, 197, 73, 17},
    {Get<&TForm1::Label19>, 128, 118, 21, 88},
    {Get<&TForm1::Label18>, 161, 164, -1, -1},
    {Get<&TForm1::cbKeys>, 175, 161, 145, 23},
    {Get<&TForm1::lbHotKeyConflict>, 175, 190, 388, 15},
    // Active corners, with the eight lists round the picture on their panel.
    {Get<&TForm1::Label9>, 3, 3, 560, 30, 0, 0, 200, 0},
    {Get<&TForm1::Label10>, 3, 39, 560, 30, 0, 0, 200, 0},
    {Get<&TForm1::Panel2>, 3, 83, 560, 201, 0, 0, 200, 0},
    {Get<&TForm1::Image1>, 216, 51, 120, 90},
    {Get<&TForm1::cbCorner1>, 65, 43, 145, 23},
    {Get<&TForm1::cbCorner2>, 203, 3, 145, 23},
    {Get<&TForm1::cbCorner3>, 342, 43, 145, 23},
    {Get<&TForm1::cbCorner4>, 375, 87, 145, 23},
    {Get<&TForm1::cbCorner5>, 342, 131, 145, 23},
    {Get<&TForm1::cbCorner6>, 203, 165, 145, 23},
    {Get<&TForm1::cbCorner7>, 65, 131, 145, 23},
    {Get<&TForm1::cbCorner8>, 33, 87, 145, 23},
    {Get<&TForm1::Label16>, 3, 304, -1, -1},
    {Get<&TForm1::Label17>, 301, 304, -1, -1},
    {Get<&TForm1::tbAreaSize>, 0, 325, 265, 31},
    {Get<&TForm1::tbActivationDelay>, 298, 325, 265, 34},
    {Get<&TForm1::Label20>, 3, 362, -1, -1},
    {Get<&TForm1::Label21>, 238, 362, -1, -1},
    {Get<&TForm1::Label23>, 301, 362, -1, -1},
    {Get<&TForm1::Label22>, 520, 362, -1, -1},
    // Search capabilities, with the eight markers just outside the picture.
    {Get<&TForm1::Label11>, 3, 3, 560, 30, 0, 0, 200, 0},
    {Get<&TForm1::Label12>, 3, 39, 560, 30, 0, 0, 200, 0},
    {Get<&TForm1::cbEnableSearch>, 3, 83, 560, 17, 0, 0, 200, 0},
    {Get<&TForm1::Label4>, 19, 106, 544, 30, 0, 0, 200, 0},
    {Get<&TForm1::Label26>, 3, 150, 560, 15, 0, 0, 200, 0},
    {Get<&TForm1::Label27>, 19, 171, 544, 30, 0, 0, 200, 0},
    {Get<&TForm1::Image2>, 200, 251, 120, 90},
    {Get<&TForm1::btSearch1>, 178, 229, 16, 16},
    {Get<&TForm1::btSearch2>, 249, 229, 16, 16},
    {Get<&TForm1::btSearch3>, 326, 229, 16, 16},
    {Get<&TForm1::btSearch4>, 326, 291, 16, 16},
    {Get<&TForm1::btSearch5>, 326, 347, 16, 16},
    {Get<&TForm1::btSearch6>, 249, 347, 16, 16},
    {Get<&TForm1::btSearch7>, 178, 347, 16, 16},
    {Get<&TForm1::btSearch8>, 178, 291, 16, 16},
    // Animation speeds.
    {Get<&TForm1::Label13>, 3, 3, 560, 30, 0, 0, 200, 0},
    {Get<&TForm1::Label14>, 3, 39, 560, 30, 0, 0, 200, 0},
    {Get<&TForm1::Label28>, 3, 88, -1, -1},
    {Get<&TForm1::tbEffectDuration>, 0, 109, 563, 34},
    {Get<&TForm1::Label29>, 3, 146, -1, -1},
    {Get<&TForm1::Label30>, 520, 146, -1, -1},
    {Get<&TForm1::Label31>, 3, 176, -1, -1},
    {Get<&TForm1::tbSearchDuration>, 0, 197, 563, 34},
    {Get<&TForm1::Label32>, 3, 237, -1, -1},
    {Get<&TForm1::Label33>, 520, 234, -1, -1},
};

void ExpectPlaces(TForm1& form, bool Grown) {
  for (const TPlace& p : Places) {
    TControl* c = p.control(form);
    ASSERT_NE(c, nullptr);
    const int g = Grown ? 1 : 0;
    EXPECT_EQ(c->Left(), p.left + g * p.dx) << c->Name;
    EXPECT_EQ(c->Top(), p.top + g * p.dy) << c->Name;
    if (p.width >= 0) {
      EXPECT_EQ(c->Width(), p.width + g * p.dw) << c->Name;
    }
    if (p.height >= 0 && !Grown) {
      EXPECT_EQ(c->Height(), p.height) << c->Name;
    }
    if (p.height >= 0 && Grown) {
      EXPECT_LE(c->Height(), p.height + p.dh) << c->Name << ": wider text wraps less";
    }
    if (p.width < 0) {
      EXPECT_GT(c->Width(), 0) << c->Name << " sizes itself to its text";
    }
  }
}

// Every control of the window, at any depth.
void EachControl(const TWinControl& Parent, const std::function<void(TControl&)>& Visit) {
  for (const auto& child : Parent.Controls()) {
    Visit(*child);
    if (const auto* win = dynamic_cast<const TWinControl*>(child.get())) EachControl(*win, Visit);
  }
}

TEST_F(OptionsWindow, EveryControlSitsWhereTheLayoutPutsItAndFollowsTheWindowAsItGrows) {
  // A control of the layout without a row would be checked nowhere.
  EachControl(*form, [&](TControl& c) {
    const bool hasRow = std::any_of(std::begin(Places), std::end(Places),
                                    [&](const TPlace& p) { return p.control(*form) == &c; });
    EXPECT_TRUE(hasRow) << c.Name << " has no row in Places";
  });
  EXPECT_EQ(form->ClientWidth(), 590);
  EXPECT_EQ(form->ClientHeight(), 556);
  ExpectPlaces(*form, false);
  SetClient(790, 656);
  ExpectPlaces(*form, true);
  SetClient(590, 556);
  ExpectPlaces(*form, false);
}

int ThumbLength(const TTrackBar& Bar) {
  return static_cast<int>(SendMessageA(Bar.Handle(), TBM_GETTHUMBLENGTH, 0, 0));
}

TEST_F(OptionsWindow, MovingToMonitorsOfOtherResolutionsScalesFromTheDesignWithoutDrift) {
  const auto move = [this](int Dpi) {
    RECT window;
    GetWindowRect(form->Handle(), &window);
    RECT client{0, 0, MulDiv(590, Dpi, 96), MulDiv(556, Dpi, 96)};
    AdjustWindowRectEx(&client, static_cast<DWORD>(GetWindowLongPtrA(form->Handle(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(form->Handle(), GWL_EXSTYLE)));
    RECT suggested{window.left, window.top, window.left + client.right - client.left,
                   window.top + client.bottom - client.top};
    SendMessageA(form->Handle(), WM_DPICHANGED, MAKEWPARAM(Dpi, Dpi), reinterpret_cast<LPARAM>(&suggested));
  };
  {
    // Redrawing is held off on the client's windows while the layout changes, never on the window
    // itself, which would drop out of hit-testing and of the window manager's view meanwhile.
    TSentWatch watch(form->Handle(), WM_SETREDRAW);
    TSentWatch page(form->PageControl1->Handle(), WM_SETREDRAW);
    move(120);
    EXPECT_TRUE(watch.Seen.empty()) << "the window's own redrawing was held off";
    ASSERT_FALSE(page.Seen.empty()) << "the pages' was";
    EXPECT_EQ(page.Seen.front(), static_cast<WPARAM>(FALSE));
    EXPECT_EQ(page.Seen.back(), static_cast<WPARAM>(TRUE));
    move(96);
  }
  for (int round = 0; round < 5; ++round) {
    move(144);
    EXPECT_EQ(form->ClientWidth(), 885);
    EXPECT_EQ(form->ClientHeight(), 834);
    EXPECT_EQ(form->GlassButton6->Left(), 665);
    EXPECT_EQ(form->btApply->Left(), 737);
    EXPECT_EQ(form->Label2->Font().PixelHeight(), -32) << "the title font, 21 pixels designed";
    EXPECT_EQ(form->Image1->Width(), 180) << "pictures scale with the rest";
    for (const TTrackBar* bar : {form->tbDesktopOpacity, form->tbSearchDuration})
      EXPECT_EQ(ThumbLength(*bar), 32) << bar->Name << ": the slider's thumb scales too";
    move(96);
  }
  ExpectPlaces(*form, false);
  EXPECT_EQ(form->Label2->Font().PixelHeight(), -21);
  for (const TTrackBar* bar : {form->tbDesktopOpacity, form->tbSearchDuration})
    EXPECT_EQ(ThumbLength(*bar), 21) << bar->Name << ": the length the system gives it at 96";
}

// The window's rectangle for a client area at a resolution, as the system reckons it there.
RECT WindowForClient(HWND Window, int Width, int Height, int Dpi) {
  RECT r{0, 0, Width, Height};
  using TAdjust = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  const auto adjust = reinterpret_cast<TAdjust>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "AdjustWindowRectExForDpi")));
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(Window, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrA(Window, GWL_EXSTYLE));
  if (!adjust || !adjust(&r, style, FALSE, exStyle, static_cast<UINT>(Dpi)))
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
  return r;
}

// Every control's place in its parent, in the order of the tree, for comparing two windows.
void CollectPlaces(const TControl& Control, std::vector<std::pair<std::string, RECT>>& Places) {
  Places.push_back({Control.Name, RECT{Control.Left(), Control.Top(), Control.Width(), Control.Height()}});
  if (const auto* win = dynamic_cast<const TWinControl*>(&Control))
    for (const auto& child : win->Controls()) CollectPlaces(*child, Places);
}

// Moved from monitor to monitor as the system moves a window: it asks the window the size it
// wants at the new resolution (WM_GETDPISCALEDSIZE), then tells it the resolution with the
// rectangle of that size (WM_DPICHANGED). The window asks for the scaled design with the frame of
// the new resolution, takes the rectangle, and has the layout that a fresh start at that resolution
// has at its size, control by control. (Wine keeps one resolution, so the frame a window really has
// stays that of 96 pixels per inch.)
TEST_F(OptionsWindow, EachMoveToAnotherResolutionGivesWhatAFreshStartThereGives) {
  const auto frameOf = [](HWND Window) {
    RECT w, c;
    GetWindowRect(Window, &w);
    GetClientRect(Window, &c);
    return SIZE{(w.right - w.left) - c.right, (w.bottom - w.top) - c.bottom};
  };
  const auto moveTo = [&](int Dpi) {
    SIZE size{};
    ASSERT_TRUE(
        SendMessageA(form->Handle(), 0x02E4 /* WM_GETDPISCALEDSIZE */, Dpi, reinterpret_cast<LPARAM>(&size)));
    const RECT expected = WindowForClient(form->Handle(), MulDiv(590, Dpi, 96), MulDiv(556, Dpi, 96), Dpi);
    EXPECT_EQ(size.cx, expected.right - expected.left) << Dpi;
    EXPECT_EQ(size.cy, expected.bottom - expected.top) << Dpi;
    RECT window;
    GetWindowRect(form->Handle(), &window);
    RECT suggested{window.left, window.top, window.left + size.cx, window.top + size.cy};
    SendMessageA(form->Handle(), WM_DPICHANGED, MAKEWPARAM(Dpi, Dpi), reinterpret_cast<LPARAM>(&suggested));
    GetWindowRect(form->Handle(), &window);
    EXPECT_EQ(window.right - window.left, size.cx) << "the suggested rectangle, at " << Dpi;
    EXPECT_EQ(window.bottom - window.top, size.cy) << "the suggested rectangle, at " << Dpi;
    // Under Wine the frame stays as it was: the client is brought to what the new frame would leave.
    form->SetClientSize(590, 556);
    ASSERT_EQ(form->ClientWidth(), MulDiv(590, Dpi, 96));
    ASSERT_EQ(form->ClientHeight(), MulDiv(556, Dpi, 96));
  };
  const auto expectFresh = [&](int Dpi) {
    auto other = std::make_unique<TForm1>(nullptr);
    other->SetPixelsPerInch(Dpi);
    other->HandleNeeded();
    other->OnCreate(other.get());
    const SIZE frame = frameOf(other->Handle());
    SetWindowPos(other->Handle(), nullptr, 0, 0, form->ClientWidth() + frame.cx,
                 form->ClientHeight() + frame.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    while (other->Idle()) {
    }
    std::vector<std::pair<std::string, RECT>> moved, fresh;
    CollectPlaces(*form, moved);
    CollectPlaces(*other, fresh);
    ASSERT_EQ(moved.size(), fresh.size());
    ASSERT_EQ(other->ClientWidth(), form->ClientWidth());
    for (std::size_t i = 1; i < moved.size(); ++i) {  // the window's own place aside
      const RECT &a = moved[i].second, &b = fresh[i].second;
      EXPECT_TRUE(a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom)
          << moved[i].first << " at " << Dpi << ": " << a.left << "," << a.top << " " << a.right << "x"
          << a.bottom << " against " << b.left << "," << b.top << " " << b.right << "x" << b.bottom;
    }
  };
  // The title bar's and the task bar's icons at the sizes the system uses at the resolution, each
  // loaded at that size (a shared load would hand back the size first loaded).
  using TMetricForDpi = int(WINAPI*)(int, UINT);
  const auto metricForDpi = reinterpret_cast<TMetricForDpi>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetSystemMetricsForDpi")));
  const auto expectIcons = [&](int Dpi) {
    const auto metric = [&](int Index) {
      return metricForDpi ? metricForDpi(Index, static_cast<UINT>(Dpi))
                          : ScaleBy(GetSystemMetrics(Index), Dpi) * 96 / ScreenPixelsPerInch();
    };
    const auto big = reinterpret_cast<HICON>(SendMessageA(form->Handle(), WM_GETICON, ICON_BIG, 0));
    const auto small = reinterpret_cast<HICON>(SendMessageA(form->Handle(), WM_GETICON, ICON_SMALL, 0));
    EXPECT_EQ(IconSide(big), metric(SM_CXICON)) << "the big icon at " << Dpi;
    EXPECT_EQ(IconSide(small), metric(SM_CXSMICON)) << "the small icon at " << Dpi;
  };
  for (int dpi : {120, 144, 168, 192, 96}) {
    moveTo(dpi);
    expectIcons(dpi);
    expectFresh(dpi);
  }
  for (int round = 0; round < 5; ++round) {
    moveTo(144);
    expectFresh(144);
    moveTo(96);
    expectFresh(96);
  }
  // A window the user resized keeps its proportions.
  SetClient(700, 600);
  SIZE size{};
  SendMessageA(form->Handle(), 0x02E4 /* WM_GETDPISCALEDSIZE */, 144, reinterpret_cast<LPARAM>(&size));
  const RECT expected = WindowForClient(form->Handle(), 1050, 900, 144);
  EXPECT_EQ(size.cx, expected.right - expected.left);
  EXPECT_EQ(size.cy, expected.bottom - expected.top);
  // The window stays in its monitor's work area: near its bottom-right corner, a change to 192 pixels
  // per inch suggests a rectangle that runs past the edge, and the window is brought back inside.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoA(MonitorFromWindow(form->Handle(), MONITOR_DEFAULTTONEAREST), &monitor);
  SetClient(590, 556);
  RECT window;
  GetWindowRect(form->Handle(), &window);
  const int w = window.right - window.left, h = window.bottom - window.top;
  SetWindowPos(form->Handle(), nullptr, monitor.rcWork.right - w - 10, monitor.rcWork.bottom - h - 10, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
  GetWindowRect(form->Handle(), &window);
  RECT past{window.left, window.top, window.left + 2 * w, window.top + 2 * h};
  ASSERT_GT(past.right, monitor.rcWork.right);
  ASSERT_LE(2 * w, monitor.rcWork.right - monitor.rcWork.left) << "the test needs room for it";
  ASSERT_LE(2 * h, monitor.rcWork.bottom - monitor.rcWork.top) << "the test needs room for it";
  SendMessageA(form->Handle(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&past));
  GetWindowRect(form->Handle(), &window);
  RECT inside;
  IntersectRect(&inside, &window, &monitor.rcWork);
  EXPECT_TRUE(EqualRect(&inside, &window))
      << window.left << "," << window.top << " " << window.right << "," << window.bottom;
  EXPECT_EQ(window.right - window.left, 2 * w) << "at the size suggested";
}

TEST_F(OptionsWindow, TheSystemMenuRestoresTheDefaultsWhichApplyWritesOrCancelDiscards) {
  HMENU menu = GetSystemMenu(form->Handle(), FALSE);
  int close = 0;
  while (close < GetMenuItemCount(menu) && GetMenuItemID(menu, close) != SC_CLOSE) ++close;
  ASSERT_GE(close, 2);
  char text[64] = {};
  GetMenuStringA(menu, static_cast<UINT>(close - 2), text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "Restore &defaults") << "right above Close";
  // Its access key is its own, as each of its neighbours has one.
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char other[64] = {};
    if (i == close - 2 || !GetMenuStringA(menu, static_cast<UINT>(i), other, sizeof other, MF_BYPOSITION))
      continue;
    const char* amp = std::strchr(other, '&');
    EXPECT_TRUE(!amp || std::tolower(static_cast<unsigned char>(amp[1])) != 'd') << other;
  }
  EXPECT_EQ(GetMenuItemID(menu, close - 1), 0u) << "a separator between it and Close";
  const UINT restore = GetMenuItemID(menu, close - 2);

  form->cbRunWithWindows->SetChecked(true);
  form->tbAreaSize->SetPosition(9);
  form->cbControl->SetChecked(true);
  form->btSearch1Click(form->btSearch5);
  form->btApply->SetEnabled(false);
  PostMessageA(form->Handle(), WM_SYSCOMMAND, restore, 0);
  Pump();
  EXPECT_FALSE(form->cbRunWithWindows->Checked());
  EXPECT_EQ(form->tbAreaSize->Position(), 1);
  EXPECT_FALSE(form->cbControl->Checked());
  EXPECT_EQ(form->cbKeys->Items().Get(form->cbKeys->ItemIndex()), "F11");
  EXPECT_EQ(form->btSearch1->Color(), 16750899) << "the default search position";
  EXPECT_EQ(form->btSearch5->Color(), 7237229);
  EXPECT_TRUE(form->btApply->Enabled());
}

// Another program holds a combination (Ctrl+Alt+F11 unless told) while the window runs.
class THotKeyHolder {
 public:
  explicit THotKeyHolder(UINT Modifiers = MOD_CONTROL | MOD_ALT, UINT Key = VK_F11) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string exe = self;
    exe = exe.substr(0, exe.find_last_of('\\') + 1) + "HotKeyHolder.exe";
    std::string command = "\"" + exe + "\" " + std::to_string(Modifiers) + " " + std::to_string(Key);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (StartProgram(
            [&] {
              return CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                    &startup, &FInfo);
            },
            "HotKeyHolder"))
      WaitUntil([&] { return (FWindow = OwnWindow()) != nullptr; });
  }
  ~THotKeyHolder() {
    if (FWindow) PostMessageA(FWindow, WM_CLOSE, 0, 0);
    if (FInfo.hProcess) {
      if (WaitForSingleObject(FInfo.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(FInfo.hProcess, 1);
      CloseHandle(FInfo.hThread);
      CloseHandle(FInfo.hProcess);
    }
  }
  bool Holding() const { return FWindow != nullptr; }

 private:
  // The holder's window: this process's, not another holder's.
  HWND OwnWindow() const {
    for (HWND w = FindWindowExA(nullptr, nullptr, "Px2dHotKeyHolder", nullptr); w;
         w = FindWindowExA(nullptr, w, "Px2dHotKeyHolder", nullptr)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(w, &owner);
      if (owner == FInfo.dwProcessId) return w;
    }
    return nullptr;
  }

  PROCESS_INFORMATION FInfo{};
  HWND FWindow = nullptr;
};

TEST_F(OptionsWindow, AKeyCombinationThatAnotherProgramHoldsIsReportedUnderTheList) {
  THotKeyHolder holder;
  ASSERT_TRUE(holder.Holding());
  ClickAt(form->GlassButton3->Handle(), 40, 40);
  struct Step {
    TCheckBox* TForm1::*box;
    bool shown;
  };
  const Step steps[] = {
      {&TForm1::cbControl, false},  // Ctrl+F11: free
      {&TForm1::cbAlt, true},       // Ctrl+Alt+F11: held
      {&TForm1::cbShift, false},    // Ctrl+Alt+Shift+F11: free again
      {&TForm1::cbShift, true},     // back to Ctrl+Alt+F11
  };
  for (const Step& step : steps) {
    TCheckBox* box = (*form).*step.box;
    ClickAt(box->Handle(), 6, 8);
    EXPECT_EQ(form->lbHotKeyConflict->Visible(), step.shown) << box->Caption();
  }
  EXPECT_EQ(form->lbHotKeyConflict->Caption(), "Another program already uses Ctrl+Alt+F11.");
  EXPECT_TRUE(form->btApply->Enabled()) << "the warning informs; Apply stays possible";
  // Once applied, the switcher takes the combination when it hears of the file: it is its own.
  form->btApply->Click();
  ClickAt(form->cbShift->Handle(), 6, 8);
  ClickAt(form->cbShift->Handle(), 6, 8);
  EXPECT_FALSE(form->lbHotKeyConflict->Visible()) << "the applied combination";

  // The combination loaded from the file is the running switcher's own: never reported.
  form.reset();
  {
    TGenericSetup store;
    store.AppName = "Panoplex2D";
    store.WriteString("activation key", "Ctrl+Alt+F11");
    store.SaveSettings();
  }
  Open();
  ClickAt(form->GlassButton3->Handle(), 40, 40);
  EXPECT_FALSE(form->lbHotKeyConflict->Visible());
  ClickAt(form->cbAlt->Handle(), 6, 8);
  ClickAt(form->cbAlt->Handle(), 6, 8);
  EXPECT_TRUE(form->cbAlt->Checked());
  EXPECT_FALSE(form->lbHotKeyConflict->Visible());
  // Restoring the defaults changes the page, not what the switcher holds.
  SendMessageA(form->Handle(), WM_SYSCOMMAND, 0x0100, 0);
  ASSERT_FALSE(form->cbAlt->Checked());
  ClickAt(form->cbControl->Handle(), 6, 8);
  ClickAt(form->cbAlt->Handle(), 6, 8);
  EXPECT_FALSE(form->lbHotKeyConflict->Visible()) << "the file's combination after Restore defaults";
}

// The warning follows every control of the combination: the key list, from the keyboard, and the
// Win box.
TEST_F(OptionsWindow, TheWarningFollowsTheKeyListAndTheWinBox) {
  THotKeyHolder holder(MOD_CONTROL | MOD_ALT, VK_F10);
  ASSERT_TRUE(holder.Holding());
  ClickAt(form->GlassButton3->Handle(), 40, 40);
  ClickAt(form->cbControl->Handle(), 6, 8);
  ClickAt(form->cbAlt->Handle(), 6, 8);
  EXPECT_FALSE(form->lbHotKeyConflict->Visible()) << "Ctrl+Alt+F11 is free";
  form->cbKeys->SetFocus();
  Press({VK_UP});
  ASSERT_EQ(form->cbKeys->Items().Get(form->cbKeys->ItemIndex()), "F10");
  EXPECT_TRUE(form->lbHotKeyConflict->Visible());
  EXPECT_EQ(form->lbHotKeyConflict->Caption(), "Another program already uses Ctrl+Alt+F10.");
  Press({VK_DOWN});
  EXPECT_FALSE(form->lbHotKeyConflict->Visible()) << "F11 again";
  // In the open list F10 is only a preview, which Escape takes back: no warning meanwhile.
  Press({VK_F4});
  Press({VK_UP});
  EXPECT_FALSE(form->lbHotKeyConflict->Visible());
  Press({VK_ESCAPE});
  EXPECT_EQ(form->cbKeys->Items().Get(form->cbKeys->ItemIndex()), "F11");
  EXPECT_FALSE(form->lbHotKeyConflict->Visible());

  THotKeyHolder winHolder(MOD_WIN, VK_F11);
  ASSERT_TRUE(winHolder.Holding());
  ClickAt(form->cbControl->Handle(), 6, 8);
  ClickAt(form->cbAlt->Handle(), 6, 8);
  ClickAt(form->cbWin->Handle(), 6, 8);
  EXPECT_TRUE(form->lbHotKeyConflict->Visible());
  EXPECT_EQ(form->lbHotKeyConflict->Caption(), "Another program already uses Win+F11.");
  ClickAt(form->cbWin->Handle(), 6, 8);
  EXPECT_FALSE(form->lbHotKeyConflict->Visible());
}

TEST_F(OptionsWindow, AfterApplyTheFocusIsOnAccept) {
  ClickAt(form->cbRunWithWindows->Handle(), 6, 8);
  form->btApply->SetFocus();
  Press({VK_SPACE});
  EXPECT_FALSE(form->btApply->Enabled());
  EXPECT_EQ(FocusedControl(), form->btAccept) << "Enter still presses Accept";
}

TEST_F(OptionsWindow, TabVisitsTheButtonBarThenThePageInTheirOrdersNeverAGlassButtonAndTheMarkersOnce) {
  const auto walk = [](std::size_t steps) {
    std::vector<TWinControl*> seen;
    for (std::size_t i = 0; i < steps; ++i) {
      Press({VK_TAB});
      seen.push_back(FocusedControl());
    }
    return seen;
  };
  form->ChangeParameters(nullptr);  // Apply is a stop only while enabled
  form->btApply->SetFocus();
  Pump();
  const std::vector<TWinControl*> general{form->btCancel,           form->btAccept,  form->cbRunWithWindows,
                                          form->cbIncludeMinimized, form->cbBalloon, form->btApply};
  EXPECT_EQ(walk(general.size()), general);

  ClickAt(form->GlassButton5->Handle(), 40, 40);
  form->btAccept->SetFocus();
  Pump();
  std::vector<TWinControl*> corners;
  for (int n = 1; n <= 8; ++n) corners.push_back(form->CornerList(n));
  corners.push_back(form->tbAreaSize);
  corners.push_back(form->tbActivationDelay);
  corners.push_back(form->btApply);
  EXPECT_EQ(walk(corners.size()), corners) << "clockwise round the picture, then the sliders";

  ClickAt(form->GlassButton4->Handle(), 40, 40);
  form->btAccept->SetFocus();
  Pump();
  EXPECT_EQ(walk(3), (std::vector<TWinControl*>{form->cbEnableSearch, form->btSearch1, form->btApply}))
      << "the markers are one stop, at the chosen position";
}

// Ctrl+Tab and Ctrl+PgDn show the next page, Ctrl+Shift+Tab and Ctrl+PgUp the one before, round at
// both ends, from wherever the focus is: as a click on the page's glass button, with the focus on
// the page's first control. Apply stays as it was.
TEST_F(OptionsWindow, ControlTabAndControlPageKeysShowTheNextAndThePreviousPage) {
  const struct {
    std::initializer_list<WORD> keys;
    int page;
  } steps[] = {
      {{VK_CONTROL, VK_TAB}, 1},           {{VK_CONTROL, VK_NEXT}, 2},  {{VK_CONTROL, VK_SHIFT, VK_TAB}, 1},
      {{VK_CONTROL, VK_PRIOR}, 0},         {{VK_CONTROL, VK_PRIOR}, 5}, {{VK_CONTROL, VK_TAB}, 0},
      {{VK_CONTROL, VK_SHIFT, VK_TAB}, 5}, {{VK_CONTROL, VK_NEXT}, 0},
  };
  TWinControl* const firsts[] = {form->cbRunWithWindows, form->cbShowDesktop,  form->cbShift,
                                 form->cbCorner1,        form->cbEnableSearch, form->tbEffectDuration};
  form->btCancel->SetFocus();
  for (const auto& step : steps) {
    Press(step.keys);
    SCOPED_TRACE(step.page);
    EXPECT_EQ(form->PageControl1->ActivePageIndex(), step.page);
    for (int page = 0; page < 6; ++page) EXPECT_EQ(form->PageButton(page)->Down(), page == step.page) << page;
    EXPECT_EQ(FocusedControl(), firsts[step.page]);
    EXPECT_FALSE(form->btApply->Enabled());
  }
  // From a list, which takes the arrow keys itself, as from anywhere.
  form->cbCorner1->SetFocus();
  Press({VK_CONTROL, VK_TAB});
  EXPECT_EQ(form->PageControl1->ActivePageIndex(), 1);
}

// The markers from the keyboard, as a group of radio buttons: the arrows choose the next position
// clockwise (Right, Down) or the one before (Left, Up), round at both ends, as a click does; Tab
// and Shift+Tab leave them. The focus shows its cue when the keyboard brought it, not a click.
TEST_F(OptionsWindow, TheArrowKeysChooseTheSearchPositionAndTabLeavesTheMarkers) {
  ClickAt(form->GlassButton4->Handle(), 40, 40);
  form->cbEnableSearch->SetFocus();
  Press({VK_TAB});
  ASSERT_EQ(FocusedControl(), form->btSearch1);
  const auto chosen = [&] {
    int found = -1;
    for (int p = 0; p < 8; ++p)
      if (form->Marker(p)->Checked()) found = found == -1 ? p : -2;
    return found;
  };
  const struct {
    WORD key;
    int position;
  } steps[] = {{VK_RIGHT, 1}, {VK_LEFT, 0}, {VK_LEFT, 7}, {VK_DOWN, 0},
               {VK_UP, 7},    {VK_UP, 6},   {VK_RIGHT, 7}};
  for (const auto& step : steps) {
    Press({step.key});
    EXPECT_EQ(chosen(), step.position) << step.key;
    EXPECT_EQ(FocusedControl(), form->Marker(step.position)) << step.key;
    // The chosen colour on the screen, the others' idle one.
    for (int p : {step.position, (step.position + 4) % 8}) {
      TSmoothButton* marker = form->Marker(p);
      TDibSurface shot(marker->Width(), marker->Height());
      shot.Fill(RGB(255, 255, 255));
      SendMessageA(marker->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shot.DC()), PRF_CLIENT);
      testing::ExpectLook([&](int x, int y) { return shot.Pixel(x, y) & 0xFFFFFF; },
                          p == step.position ? testing::Selected : testing::Idle);
    }
  }
  EXPECT_TRUE(form->btApply->Enabled());
  // The cue on the marker's corner, where a click leaves the page showing.
  const auto corner = [&](TSmoothButton* marker) {
    TDibSurface shot(marker->Width(), marker->Height());
    SendMessageA(marker->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shot.DC()), PRF_CLIENT);
    // Whether one of the pixels next to the corners is not the page's white: the dotted cue.
    const int w = marker->Width(), h = marker->Height();
    const POINT nearCorners[] = {{0, 0}, {1, 0}, {0, 1}, {w - 1, 0}, {w - 2, 0}, {0, h - 1}, {1, h - 1}};
    bool cue = false;
    for (const POINT& p : nearCorners) cue = cue || (shot.Pixel(p.x, p.y) & 0xFFFFFF) != 0xFFFFFF;
    return cue;
  };
  EXPECT_TRUE(corner(form->btSearch8)) << "the focus cue";
  Press({VK_SHIFT, VK_TAB});
  EXPECT_EQ(FocusedControl(), form->cbEnableSearch);
  Press({VK_TAB});
  EXPECT_EQ(FocusedControl(), form->btSearch8) << "Tab comes back to the chosen one";
  Press({VK_TAB});
  EXPECT_EQ(FocusedControl(), form->btApply);
  ClickAt(form->btSearch3->Handle(), 8, 8);
  EXPECT_EQ(chosen(), 2);
  EXPECT_FALSE(corner(form->btSearch3)) << "no cue after a click";
}

// What the page holds is what a closed list shows: arrow keys change a closed list at once; in an
// open one they only preview, and Escape puts the entry back.
TEST_F(OptionsWindow, ArrowsChangeAClosedListAndOnlyPreviewInAnOpenOne) {
  ClickAt(form->GlassButton5->Handle(), 40, 40);
  form->cbCorner2->SetFocus();
  Press({VK_F4});
  Press({VK_DOWN});
  Press({VK_ESCAPE});
  EXPECT_EQ(form->cbCorner2->ItemIndex(), 0) << "the entry it had";
  EXPECT_FALSE(form->btApply->Enabled());
  EXPECT_TRUE(IsWindow(form->Handle())) << "Escape closed the list, not the window";
  Press({VK_DOWN});
  EXPECT_EQ(form->cbCorner2->ItemIndex(), 1);
  EXPECT_TRUE(form->btApply->Enabled()) << "a closed list changes at once";
  Press({VK_F4});
  Press({VK_DOWN});
  Press({VK_RETURN});
  EXPECT_EQ(form->cbCorner2->ItemIndex(), 2) << "chosen in the open list";
}

TEST_F(OptionsWindow, EnterPressesAcceptUnlessAnotherButtonHasTheFocusAndEscapeDoesNothing) {
  int accepts = 0, cancels = 0;
  form->btAccept->OnClick = [&](TObject*) { ++accepts; };
  form->btCancel->OnClick = [&](TObject*) { ++cancels; };
  form->cbRunWithWindows->SetFocus();
  Press({VK_RETURN});
  EXPECT_EQ(accepts, 1);
  Press({VK_ESCAPE});
  EXPECT_EQ(accepts + cancels, 1);
  form->btCancel->SetFocus();
  Press({VK_RETURN});
  EXPECT_EQ(cancels, 1);
  EXPECT_EQ(accepts, 1);
}

// What a screen reader finds in place of the labels, which have no window and so no object of their
// own: each page by its title, each heading's control by the heading, and each control that a
// sentence of the page explains with that sentence, as its description and its help. The texts are
// the labels' own.
TEST_F(OptionsWindow, AssistiveTechnologyHearsThePagesTitlesAndTheSentencesThatExplainTheControls) {
  TComApartment apartment;
  using TField = TControl* (*)(TForm1&);
  const struct {
    TField control, label;
  } names[] = {
      {Get<&TForm1::tsOptions>, Get<&TForm1::Label2>},
      {Get<&TForm1::tsBackground>, Get<&TForm1::Label5>},
      {Get<&TForm1::tsKeyboard>, Get<&TForm1::Label7>},
      {Get<&TForm1::tsActiveCorners>, Get<&TForm1::Label9>},
      {Get<&TForm1::tsSearch>, Get<&TForm1::Label11>},
      {Get<&TForm1::tsAnimation>, Get<&TForm1::Label13>},
      {Get<&TForm1::Panel2>, Get<&TForm1::Label9>},  // the group of the lists round the picture
      {Get<&TForm1::tbDesktopOpacity>, Get<&TForm1::Label34>},
      {Get<&TForm1::tbAreaSize>, Get<&TForm1::Label16>},
      {Get<&TForm1::tbActivationDelay>, Get<&TForm1::Label17>},
      {Get<&TForm1::tbEffectDuration>, Get<&TForm1::Label28>},
      {Get<&TForm1::tbSearchDuration>, Get<&TForm1::Label31>},
  };
  for (const auto& [control, label] : names) {
    const HWND window = static_cast<TWinControl*>(control(*form))->Handle();
    SCOPED_TRACE(control(*form)->Name);
    EXPECT_EQ(NameOf(ClientObject(window)), label(*form)->Caption());
  }
  // A check box by the sentence under it; where the page's sentence explains a row of controls,
  // each of them by that one.
  std::vector<std::pair<TControl*, TControl*>> described = {
      {form->cbRunWithWindows, form->Label24},   {form->cbBalloon, form->Label3},
      {form->cbIncludeMinimized, form->Label25}, {form->cbShowDesktop, form->Label15},
      {form->cbShowDesktopWindow, form->Label1}, {form->tbDesktopOpacity, form->Label6},
      {form->tbAreaSize, form->Label10},         {form->tbActivationDelay, form->Label10},
      {form->cbEnableSearch, form->Label4},      {form->tbEffectDuration, form->Label14},
      {form->tbSearchDuration, form->Label14},
  };
  for (TControl* modifier : std::initializer_list<TControl*>{form->cbShift, form->cbControl, form->cbAlt,
                                                             form->cbWin, form->cbKeys})
    described.emplace_back(modifier, form->Label8);
  for (int p = 0; p < 8; ++p) {
    described.emplace_back(form->CornerList(p + 1), form->Label10);
    described.emplace_back(form->Marker(p), form->Label27);
  }
  for (const auto& [control, label] : described) {
    SCOPED_TRACE(control->Name);
    const TComPtr<IAccessible> object = ClientObject(static_cast<TWinControl*>(control)->Handle());
    ASSERT_TRUE(object);
    EXPECT_EQ(DescriptionOf(object), label->Caption());
    BSTR help = nullptr;
    ASSERT_EQ(object->get_accHelp(Self(), &help), S_OK);
    EXPECT_EQ(Text(help), label->Caption());
  }
}

TEST_F(OptionsWindow, ListsSlidersTextsAndFontsAreThoseOfTheLayout) {
  // Lists: a choice among their entries, unsorted, the corner actions or the key names.
  for (int n = 1; n <= 8; ++n) {
    TComboBox* list = form->CornerList(n);
    EXPECT_EQ(GetWindowLongPtrA(list->Handle(), GWL_STYLE) & (3 | CBS_SORT), CBS_DROPDOWNLIST);
    ASSERT_EQ(list->Items().Count(), 3);
    EXPECT_EQ(list->Items().Get(0), "- none -");
    EXPECT_EQ(list->Items().Get(1), "Show all windows");
    EXPECT_EQ(list->Items().Get(2), "Show current application windows");
  }
  EXPECT_EQ(GetWindowLongPtrA(form->cbKeys->Handle(), GWL_STYLE) & (3 | CBS_SORT), CBS_DROPDOWNLIST);
  EXPECT_GE(form->cbKeys->Items().FindExact("F11"), 0);
  EXPECT_GE(form->cbKeys->Items().FindExact("A"), 0);
  EXPECT_GT(form->cbKeys->Items().Count(), 60);

  // Sliders: range, arrow step, page step, ticks.
  struct Slider {
    TTrackBar* bar;
    int min, max, line, page, ticks;
  };
  const Slider sliders[] = {{form->tbDesktopOpacity, 0, 100, 1, 2, 101},
                            {form->tbAreaSize, 1, 16, 1, 2, 16},
                            {form->tbActivationDelay, 0, 1000, 50, 50, 11},
                            {form->tbEffectDuration, 0, 1000, 50, 50, 11},
                            {form->tbSearchDuration, 0, 1000, 50, 50, 11}};
  for (const Slider& s : sliders) {
    HWND h = s.bar->Handle();
    EXPECT_EQ(SendMessageA(h, TBM_GETRANGEMIN, 0, 0), s.min) << s.bar->Name;
    EXPECT_EQ(SendMessageA(h, TBM_GETRANGEMAX, 0, 0), s.max) << s.bar->Name;
    EXPECT_EQ(SendMessageA(h, TBM_GETLINESIZE, 0, 0), s.line) << s.bar->Name;
    EXPECT_EQ(SendMessageA(h, TBM_GETPAGESIZE, 0, 0), s.page) << s.bar->Name;
    EXPECT_EQ(SendMessageA(h, TBM_GETNUMTICS, 0, 0), s.ticks) << s.bar->Name;
    EXPECT_FALSE(GetWindowLongPtrA(h, GWL_STYLE) & (TBS_VERT | TBS_TOOLTIPS)) << s.bar->Name;
  }

  // Texts and fonts.
  char caption[64] = {};
  GetWindowTextA(form->Handle(), caption, sizeof caption);
  EXPECT_STREQ(caption, "Panoplex 2D Options");
  EXPECT_EQ(form->GlassButton5->Caption(), "Active\r\nCorners");
  EXPECT_EQ(form->BackgroundColor(), RGB(255, 255, 255));
  const LONG_PTR style = GetWindowLongPtrA(form->Handle(), GWL_STYLE);
  EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW) << "sizeable, with both boxes";
  EXPECT_TRUE(SendMessageA(form->Handle(), WM_GETICON, ICON_BIG, 0));
  EXPECT_TRUE(SendMessageA(form->Handle(), WM_GETICON, ICON_SMALL, 0));
  struct Font {
    TControl* control;
    const char* name;
    int height;
    TColor color;
    TFontStyles style;
  };
  const Font fonts[] = {
      {form.get(), "Segoe UI", -12, clWindowText, 0},
      {form->Label2, "Segoe UI", -21, 11171618, 0},
      {form->Label24, "Segoe UI", -12, 2105376, 0},
      {form->cbRunWithWindows, "Segoe UI", -12, clWindowText, fsBold},
      {form->Label34, "Segoe UI", -12, 2105376, fsBold},
      {form->cbShift, "Segoe UI", -12, clWindowText, 0},
      {form->Label19, "Arial Narrow", -75, clGray, 0},
      {form->Label35, "Segoe UI", -12, clWindowText, 0},
      {form->GlassButton1, "Segoe UI", -11, clWindowText, 0},
  };
  for (const Font& f : fonts) {
    EXPECT_EQ(f.control->Font().Name(), f.name) << f.control->Name;
    EXPECT_EQ(f.control->Font().Height(), f.height) << f.control->Name;
    EXPECT_EQ(f.control->Font().Color(), f.color) << f.control->Name;
    EXPECT_EQ(f.control->Font().Style(), f.style) << f.control->Name;
  }
  EXPECT_EQ(form->Image1->Picture().Width(), 120);
  EXPECT_EQ(form->Image2->Picture().Height(), 90);
}

// A slider narrower than its setting would clamp the file's value on Apply: each one holds exactly
// the range that the catalogue gives its setting.
TEST_F(OptionsWindow, EachSliderHoldsItsSettingsWholeRange) {
  TTrackBar* const bars[] = {form->tbDesktopOpacity, form->tbAreaSize, form->tbActivationDelay,
                             form->tbEffectDuration, form->tbSearchDuration};
  int checked = 0;
  for (const TSettingKey& key : SettingKeys) {
    if (key.ControlKind != scTrackBar) continue;
    SCOPED_TRACE(key.Key);
    TTrackBar* bar = nullptr;
    for (TTrackBar* b : bars)
      if (b->Name == key.Control) bar = b;
    ASSERT_TRUE(bar) << key.Control;
    EXPECT_EQ(SendMessageA(bar->Handle(), TBM_GETRANGEMIN, 0, 0), key.Min);
    EXPECT_EQ(SendMessageA(bar->Handle(), TBM_GETRANGEMAX, 0, 0), key.Max);
    ++checked;
  }
  EXPECT_EQ(checked, static_cast<int>(std::size(bars))) << "every slider has its setting";
}

// Each key of the catalogue is shown by its control, on its page, of the kind that takes its value;
// and each check box, slider, list and marker of the pages shows a key: a key without its control, a
// control on another page, or a control of the pages that no key names, fails here.
TEST_F(OptionsWindow, EachSettingHasItsControlOnItsPageAndEachControlOfThePagesASetting) {
  const auto pageOf = [](const TControl& c) {
    for (const TWinControl* p = c.Parent(); p; p = p->Parent())
      if (const auto* sheet = dynamic_cast<const TTabSheet*>(p)) return sheet->PageIndex();
    return -1;
  };
  const auto isOfKind = [](const TControl& c, TSettingControl Kind) {
    switch (Kind) {
      case scCheckBox:
        return dynamic_cast<const TCheckBox*>(&c) != nullptr;
      case scTrackBar:
        return dynamic_cast<const TTrackBar*>(&c) != nullptr;
      case scCornerList:
      case scKeyboard:
        return dynamic_cast<const TComboBox*>(&c) != nullptr;
      case scSearchMarkers:
        return dynamic_cast<const TSmoothButton*>(&c) != nullptr;
    }
    return false;
  };
  std::map<std::string, TControl*> byName;
  EachControl(*form, [&](TControl& c) { byName[c.Name] = &c; });
  for (const TSettingKey& key : SettingKeys) {
    SCOPED_TRACE(key.Key);
    const auto found = byName.find(key.Control);
    ASSERT_NE(found, byName.end()) << "no control " << key.Control;
    EXPECT_EQ(pageOf(*found->second), key.Page) << key.Control;
    EXPECT_TRUE(isOfKind(*found->second, key.ControlKind)) << key.Control << " is of another kind";
  }
  // The keyboard's row names its list; its four modifier boxes belong to it too, and the search
  // position's row names the first of its markers.
  const std::string modifiers[] = {"cbShift", "cbControl", "cbAlt", "cbWin"};
  for (const auto& [name, control] : byName) {
    if (pageOf(*control) < 0) continue;
    const bool input = isOfKind(*control, scCheckBox) || isOfKind(*control, scTrackBar) ||
                       isOfKind(*control, scCornerList) || isOfKind(*control, scSearchMarkers);
    if (!input) continue;
    const bool shows = std::any_of(SettingKeys.begin(), SettingKeys.end(), [&](const TSettingKey& key) {
      if (key.Control == name) return true;
      if (key.ControlKind == scKeyboard)
        return std::find(std::begin(modifiers), std::end(modifiers), name) != std::end(modifiers) &&
               pageOf(*control) == key.Page;
      return key.ControlKind == scSearchMarkers && isOfKind(*control, scSearchMarkers) &&
             pageOf(*control) == key.Page;
    });
    EXPECT_TRUE(shows) << name << " on page " << pageOf(*control) << " shows no key of the catalogue";
  }
}

// --- Colour schemes ---

double Luminance(COLORREF c) {
  const auto channel = [](int v) {
    const double x = v / 255.0;
    return x <= 0.03928 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(GetRValue(c)) + 0.7152 * channel(GetGValue(c)) + 0.0722 * channel(GetBValue(c));
}
double Contrast(COLORREF a, COLORREF b) {
  const double x = Luminance(a), y = Luminance(b);
  return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

// What the screen shows of a rectangle of the window: the commonest pixel (what lies behind), the
// pixel that stands out from it most (the ink) and their contrast.
struct TTextContrast {
  COLORREF background;
  COLORREF ink;
  double ratio;
};
TTextContrast Measure(const TDibSurface& Shot, const RECT& Part) {
  const TDibSurface& shot = Shot;
  std::map<COLORREF, int> counts;
  for (int y = Part.top; y < Part.bottom; ++y)
    for (int x = Part.left; x < Part.right; ++x) {
      const std::uint32_t p = shot.Pixel(x, y);
      ++counts[RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF)];
    }
  const COLORREF background = std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
                                return a.second < b.second;
                              })->first;
  TTextContrast found{background, background, 1};
  for (const auto& [color, n] : counts)
    if (Contrast(color, background) > found.ratio) found = {background, color, Contrast(color, background)};
  return found;
}
TTextContrast MeasureOnScreen(const RECT& Screen) {
  const int w = Screen.right - Screen.left, h = Screen.bottom - Screen.top;
  TDibSurface shot(w, h);
  HDC screen = GetDC(nullptr);
  BitBlt(shot.DC(), 0, 0, w, h, screen, Screen.left, Screen.top, SRCCOPY);
  ReleaseDC(nullptr, screen);
  return Measure(shot, RECT{0, 0, w, h});
}

// A glass button's caption against its own face as drawn: the face printed with the caption and
// with a space in its place, over the window's colour, the ink the changed pixel that stands out most, and
// the worst contrast of any pixel in that ink with the face beneath it.
TTextContrast CaptionOnItsFace(TGlassButton& Button) {
  const auto print = [&] {
    auto s = std::make_unique<TDibSurface>(Button.Width(), Button.Height());
    s->Fill(GetSysColor(COLOR_WINDOW));
    SendMessageA(Button.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s->DC()), PRF_CLIENT);
    return s;
  };
  // Without the caption: a space in its place, so that the picture stays where the caption puts it.
  const auto with = print();
  const std::string caption = Button.Caption();
  Button.SetCaption(" ");
  const auto without = print();
  Button.SetCaption(caption);
  const auto rgb = [](std::uint32_t p) { return RGB(p >> 16, (p >> 8) & 0xFF, p & 0xFF); };
  const int n = Button.Width() * Button.Height();
  TTextContrast found{0, 0, 1};
  for (int i = 0; i < n; ++i) {
    const double ratio = Contrast(rgb(with->Bits()[i]), rgb(without->Bits()[i]));
    if (ratio > found.ratio) found = {rgb(without->Bits()[i]), rgb(with->Bits()[i]), ratio};
  }
  for (int i = 0; i < n; ++i)
    if (rgb(with->Bits()[i]) == found.ink && rgb(without->Bits()[i]) != found.ink)
      found.ratio = std::min(found.ratio, Contrast(found.ink, rgb(without->Bits()[i])));
  return found;
}

// The colour of the pages' titles in the layout.
constexpr TColor TitleColor = static_cast<TColor>(11171618);

// Large text reads at 3:1: 18 points and more, or 14 points bold (a height designed at 96 pixels per
// inch, so 24 and 19 pixels).
bool IsLargeText(const TFont& Font) {
  const int pixels = std::abs(Font.Height());
  return pixels >= 24 || ((Font.Style() & fsBold) && pixels >= 19);
}

bool Close(COLORREF a, COLORREF b, int tolerance) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
         std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

// A scheme the window is tried in: its colours, and whether the system reports high contrast (set
// here as the system would: Wine never reports it).
struct TScheme {
  const char* name;
  std::initializer_list<std::pair<int, COLORREF>> colors;
  bool highContrast;
};
const TScheme HighContrastBlack{"high contrast black",
                                {{COLOR_WINDOW, RGB(0, 0, 0)},
                                 {COLOR_WINDOWTEXT, RGB(255, 255, 255)},
                                 {COLOR_BTNFACE, RGB(0, 0, 0)},
                                 {COLOR_BTNTEXT, RGB(255, 255, 255)},
                                 {COLOR_HIGHLIGHT, RGB(26, 235, 255)},
                                 {COLOR_HIGHLIGHTTEXT, RGB(0, 0, 0)},
                                 {COLOR_GRAYTEXT, RGB(63, 242, 63)},
                                 {COLOR_3DHILIGHT, RGB(255, 255, 255)},
                                 {COLOR_3DSHADOW, RGB(128, 128, 128)}},
                                true};
// Text colours neither black nor white, on a light window where black would read too: they show that
// the window takes the scheme's own colours, not merely readable ones.
const TScheme HighContrastColours{"high contrast, coloured texts",
                                  {{COLOR_WINDOW, RGB(255, 255, 210)},
                                   {COLOR_WINDOWTEXT, RGB(0, 0, 170)},
                                   {COLOR_BTNFACE, RGB(255, 255, 210)},
                                   {COLOR_BTNTEXT, RGB(120, 0, 90)},
                                   {COLOR_HIGHLIGHT, RGB(0, 90, 0)},
                                   {COLOR_HIGHLIGHTTEXT, RGB(255, 255, 160)},
                                   {COLOR_GRAYTEXT, RGB(96, 96, 0)},
                                   {COLOR_3DSHADOW, RGB(96, 96, 96)},
                                   {COLOR_3DDKSHADOW, RGB(0, 0, 0)}},
                                  true};
const TScheme HighContrastWhite{"high contrast white",
                                {{COLOR_WINDOW, RGB(255, 255, 255)},
                                 {COLOR_WINDOWTEXT, RGB(0, 0, 0)},
                                 {COLOR_BTNFACE, RGB(255, 255, 255)},
                                 {COLOR_BTNTEXT, RGB(0, 0, 0)},
                                 {COLOR_HIGHLIGHT, RGB(55, 0, 110)},
                                 {COLOR_HIGHLIGHTTEXT, RGB(255, 255, 255)},
                                 {COLOR_GRAYTEXT, RGB(96, 0, 0)},
                                 {COLOR_3DSHADOW, RGB(128, 128, 128)},
                                 {COLOR_3DDKSHADOW, RGB(0, 0, 0)}},
                                true};
const TScheme DarkColours{"a dark colour scheme",
                          {{COLOR_WINDOW, RGB(32, 32, 32)},
                           {COLOR_WINDOWTEXT, RGB(240, 240, 240)},
                           {COLOR_BTNFACE, RGB(45, 45, 48)},
                           {COLOR_BTNTEXT, RGB(240, 240, 240)},
                           {COLOR_GRAYTEXT, RGB(150, 150, 150)}},
                          false};

// Every text of every page reads against what lies behind it, and every drawn part stands out from
// it, in every kind of scheme, set before the window opens and changed while it is open: 4.5:1 for
// normal text (3:1 for the large titles and the brace), labels, check boxes, lists and the glass
// captions on their own faces; 3:1 for the sliders and the markers. In high contrast every text takes
// the scheme's own colour: the window text on the pages, the button or highlight text on the glass.
// One table over every control, so that a new one is checked without a new test.
TEST_F(OptionsWindow, EveryTextReadsInEveryScheme) {
  // The usual scheme's sliders are drawn by the system's visual style alone. Wine's draws their
  // channel and thumb in light greys that stand 2.2:1 from white, where Windows' thumb is the accent
  // colour; there they are left to the system.
  const auto styled = [](TControl* control, bool Usual) {
    return Usual && RunningOnWine() && dynamic_cast<TTrackBar*>(control);
  };
  const auto checkEveryPage = [&](const char* Name, bool HighContrastOn) {
    SCOPED_TRACE(Name);
    const bool usual = std::string(Name).rfind("the usual scheme", 0) == 0;
    for (int page = 0; page < 6; ++page) {
      form->PageButton(page)->SetDown(true);
      form->PageButton(page)->Click();
      RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      // The display shows the page once two looks at the window's client area agree.
      RECT client;
      GetClientRect(form->Handle(), &client);
      MapWindowPoints(form->Handle(), nullptr, reinterpret_cast<POINT*>(&client), 2);
      std::vector<std::uint32_t> last;
      EXPECT_TRUE(PumpUntil([&] {
        TDibSurface shot(client.right - client.left, client.bottom - client.top);
        HDC screen = GetDC(nullptr);
        BitBlt(shot.DC(), 0, 0, shot.Width(), shot.Height(), screen, client.left, client.top, SRCCOPY);
        ReleaseDC(nullptr, screen);
        std::vector<std::uint32_t> now;
        for (int y = 0; y < shot.Height(); y += 4)
          for (int x = 0; x < shot.Width(); x += 4) now.push_back(shot.Pixel(x, y));
        const bool settled = now == last;
        last = std::move(now);
        return settled;
      }));
      // What each control shows, and what it must reach.
      enum TKind { kText, kLargeText, kBox, kList, kPart };
      std::vector<std::pair<TControl*, TKind>> controls;
      std::function<void(TWinControl&)> collect = [&](TWinControl& Container) {
        for (const auto& child : Container.Controls()) {
          if (!child->Visible()) continue;
          if (auto* label = dynamic_cast<TLabel*>(child.get()); label && !label->Caption().empty())
            controls.push_back({label, IsLargeText(label->Font()) ? kLargeText : kText});
          else if (dynamic_cast<TCheckBox*>(child.get()))
            controls.push_back({child.get(), kBox});
          else if (dynamic_cast<TComboBox*>(child.get()))
            controls.push_back({child.get(), kList});
          else if (dynamic_cast<TTrackBar*>(child.get()) || dynamic_cast<TSmoothButton*>(child.get()))
            controls.push_back({child.get(), kPart});
          else if (auto* win = dynamic_cast<TWinControl*>(child.get()))
            collect(*win);
        }
      };
      collect(*form->PageControl1->Pages(page));
      ASSERT_FALSE(controls.empty());
      for (const auto& [control, kind] : controls) {
        RECT r{control->Left(), control->Top(), control->Left() + control->Width(),
               control->Top() + control->Height()};
        const auto* win = dynamic_cast<TWinControl*>(control);
        MapWindowPoints(win ? GetParent(win->Handle()) : control->Parent()->Handle(), nullptr,
                        reinterpret_cast<POINT*>(&r), 2);
        // A check box's caption, without the box, which is drawn in colours of its own.
        if (kind == kBox) r.left += ScaleBy(18, form->PixelsPerInch());
        const TTextContrast measured = MeasureOnScreen(r);
        const double needed = kind == kLargeText || kind == kPart ? 3.0 : 4.5;
        if (!styled(control, usual)) {
          EXPECT_GE(measured.ratio, needed) << control->Name << " on page " << page;
        }
        if (HighContrastOn && (kind == kText || kind == kBox)) {
          EXPECT_TRUE(Close(measured.ink, GetSysColor(COLOR_WINDOWTEXT), 8))
              << control->Name << ": the scheme's window text";
        }
        // The titles keep their blue in every scheme but high contrast, light on dark.
        if (!HighContrastOn && control->Font().Color() == TitleColor) {
          EXPECT_GE(GetBValue(measured.ink) - GetRValue(measured.ink), 60) << control->Name << ": blue";
        }
        // A slider's ticks, apart from its thumb and channel, stand out from the page as well.
        if (auto* bar = dynamic_cast<TTrackBar*>(control); bar && !styled(control, usual)) {
          // Printed by itself: on the screen the labels beneath the ticks would count as well.
          RECT thumb{};
          SendMessageA(bar->Handle(), TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
          TDibSurface shot(bar->Width(), bar->Height());
          shot.Fill(measured.background);
          SendMessageA(bar->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shot.DC()),
                       PRF_CLIENT | PRF_ERASEBKGND);
          const double ticks = Measure(shot, RECT{0, thumb.bottom + 1, bar->Width(), bar->Height()}).ratio;
          EXPECT_GE(ticks, 3.0) << control->Name << "'s ticks on page " << page;
          // Where the window draws them (dark), one tick a step, evenly apart from end to end.
          if (DarkMode()) {
            std::vector<int> columns;  // each tick's first column
            bool before = false;
            for (int x = 0; x < bar->Width(); ++x) {
              bool inked = false;
              for (int y = thumb.bottom + 1; y < bar->Height() && !inked; ++y)
                inked = (shot.Pixel(x, y) & 0xFFFFFF) != (shot.Pixel(0, y) & 0xFFFFFF);
              if (inked && !before) columns.push_back(x);
              before = inked;
            }
            const int steps = (bar->Max() - bar->Min()) / bar->Frequency();
            ASSERT_EQ(columns.size(), static_cast<std::size_t>(steps + 1)) << control->Name << "'s ticks";
            const double step = double(columns.back() - columns.front()) / steps;
            for (int i = 0; i <= steps; ++i)
              EXPECT_NEAR(columns[i], columns.front() + step * i, 1.0) << control->Name << "'s tick " << i;
          }
        }
        std::printf("contrast in %s, page %d, %s: %.1f:1\n", Name, page, control->Name.c_str(),
                    measured.ratio);
      }
    }
    for (int page = 0; page < 6; ++page) {
      TGlassButton& button = *form->PageButton(page);
      const TTextContrast caption = CaptionOnItsFace(button);
      EXPECT_GE(caption.ratio, 4.5) << button.Name;
      if (HighContrastOn) {
        EXPECT_TRUE(Close(caption.ink, GetSysColor(button.Down() ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT), 8))
            << button.Name << ": the scheme's button or highlight text";
      }
      std::printf("contrast in %s, %s caption%s: %.1f:1\n", Name, button.Name.c_str(),
                  button.Down() ? " (down)" : "", caption.ratio);
    }
  };
  // Where the window chooses its own colours for the dark, a state that colour shows stands 3:1 from
  // the other: the chosen marker from the rest (beside its dot), the chosen page's glass button from
  // the others. (In the light the design's own colours keep their look.)
  const auto checkStates = [&](const std::string& Name) {
    SCOPED_TRACE(Name);
    const auto faceAt = [](TWinControl& Control, int X, int Y) {
      TDibSurface shot(Control.Width(), Control.Height());
      shot.Fill(ColorToRGB(clWindow));
      SendMessageA(Control.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shot.DC()), PRF_CLIENT);
      const std::uint32_t p = shot.Pixel(X, Y);
      return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    };
    TSmoothButton* chosen = nullptr;
    TSmoothButton* other = nullptr;
    for (int p = 0; p < 8; ++p) (form->Marker(p)->Checked() ? chosen : other) = form->Marker(p);
    ASSERT_TRUE(chosen && other);
    // Below the dot, in the face's lower band.
    const auto marker = [&](TSmoothButton* m) {
      return faceAt(*m, m->Width() * 7 / 16, m->Height() * 11 / 16);
    };
    EXPECT_GE(Contrast(marker(chosen), marker(other)), 3.0) << "the chosen marker and another";
    std::printf("states in %s: markers %.1f:1", Name.c_str(), Contrast(marker(chosen), marker(other)));
    // Beneath the caption, where the chosen one glows most; the caption left out.
    const auto glass = [&](TGlassButton& Button) {
      const std::string caption = Button.Caption();
      Button.SetCaption(" ");
      const COLORREF face = faceAt(Button, Button.Width() / 2, Button.Height() - 6);
      Button.SetCaption(caption);
      return face;
    };
    TGlassButton* down = nullptr;
    for (int page = 0; page < 6; ++page)
      if (form->PageButton(page)->Down()) down = form->PageButton(page);
    ASSERT_TRUE(down);
    const COLORREF downFace = glass(*down);
    for (int page = 0; page < 6; ++page) {
      TGlassButton& button = *form->PageButton(page);
      if (&button == down) continue;
      EXPECT_GE(Contrast(glass(button), downFace), 3.0) << button.Name << " and the chosen page's button";
      std::printf(", %s %.1f:1", button.Name.c_str(), Contrast(glass(button), downFace));
    }
    std::printf("\n");
  };
  checkEveryPage("the usual scheme", false);
  // Each scheme with the app theme light, and two with it dark: the usual colours, where the window
  // is dark, and high contrast, which wins over the theme.
  const TScheme usualColours{"the usual colours", {}, false};
  const struct {
    const TScheme* scheme;
    bool appsDark;
  } runs[] = {{&HighContrastBlack, false}, {&HighContrastColours, false}, {&HighContrastWhite, false},
              {&DarkColours, false},       {&usualColours, true},         {&HighContrastBlack, true}};
  for (const auto& [scheme, appsDark] : runs) {
    const TColorScheme colors(scheme->colors);
    TAppTheme theme;
    ForceHighContrast(scheme->highContrast);
    const std::string name = std::string(scheme->name) + (appsDark ? " with apps dark" : "");
    SendMessageA(form->Handle(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    if (appsDark) theme.Set(true);
    checkEveryPage((name + ", changed while the window is open").c_str(), scheme->highContrast);
    if (appsDark && !scheme->highContrast) checkStates(name + ", changed while the window is open");
    form.reset();
    Open();
    checkEveryPage((name + ", the window opened in it").c_str(), scheme->highContrast);
    if (appsDark && !scheme->highContrast) checkStates(name + ", the window opened in it");
    ForceHighContrast(std::nullopt);
  }
  SendMessageA(form->Handle(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
  checkEveryPage("the usual scheme again", false);
}

// The chosen search position shows by a shape too, a dot as a radio button has, wherever the
// colours alone would tell it: in high contrast (the flag set here, as the system would), where the
// highlight among the text colour may be told apart by hue only. The design's own blue among greys
// keeps its look.
TEST_F(OptionsWindow, TheChosenMarkerShowsADotWhereItsColourAloneWouldTellIt) {
  ClickAt(form->GlassButton4->Handle(), 40, 40);
  const auto middle = [&](TSmoothButton* marker) {
    TDibSurface shot(marker->Width(), marker->Height());
    shot.Fill(GetSysColor(COLOR_WINDOW));
    SendMessageA(marker->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shot.DC()), PRF_CLIENT);
    const std::uint32_t p = shot.Pixel(marker->Width() / 2, marker->Height() / 2);
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  };
  ASSERT_TRUE(form->btSearch1->Checked());
  const COLORREF usualChosen = middle(form->btSearch1), usualIdle = middle(form->btSearch2);
  EXPECT_EQ(form->btSearch1->CheckColor(), clNone) << "no dot in the usual scheme";
  const struct {
    const char* name;
    std::initializer_list<std::pair<int, COLORREF>> colors;
  } schemes[] = {
      {"high contrast black",
       {{COLOR_WINDOW, RGB(0, 0, 0)},
        {COLOR_BTNTEXT, RGB(255, 255, 255)},
        {COLOR_HIGHLIGHT, RGB(26, 235, 255)},
        {COLOR_HIGHLIGHTTEXT, RGB(0, 0, 0)}}},
      {"high contrast white",
       {{COLOR_WINDOW, RGB(255, 255, 255)},
        {COLOR_BTNTEXT, RGB(0, 0, 0)},
        {COLOR_HIGHLIGHT, RGB(55, 0, 110)},
        {COLOR_HIGHLIGHTTEXT, RGB(255, 255, 255)}}},
  };
  for (const auto& scheme : schemes) {
    SCOPED_TRACE(scheme.name);
    const TColorScheme colors(scheme.colors);
    ForceHighContrast(true);
    SendMessageA(form->Handle(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(middle(form->btSearch1), GetSysColor(COLOR_HIGHLIGHTTEXT)) << "the dot of the chosen one";
    EXPECT_GE(Contrast(GetSysColor(COLOR_HIGHLIGHTTEXT), GetSysColor(COLOR_HIGHLIGHT)), 3.0);
    EXPECT_NE(middle(form->btSearch2), GetSysColor(COLOR_HIGHLIGHTTEXT)) << "none on the others";
    // The dot moves with the choice.
    ClickAt(form->btSearch3->Handle(), 8, 8);
    EXPECT_EQ(middle(form->btSearch3), GetSysColor(COLOR_HIGHLIGHTTEXT));
    EXPECT_NE(middle(form->btSearch1), GetSysColor(COLOR_HIGHLIGHTTEXT));
    ClickAt(form->btSearch1->Handle(), 8, 8);
    ForceHighContrast(std::nullopt);
  }
  SendMessageA(form->Handle(), WM_SYSCOLORCHANGE, 0, 0);
  {
    // Dark mode: the light blue among dark greys stands only 3.3:1 apart, and the chosen one shows
    // a black dot, the colour that reads on it.
    SCOPED_TRACE("dark mode");
    TAppTheme theme;
    theme.Set(true);
    EXPECT_EQ(middle(form->btSearch1), RGB(0, 0, 0)) << "the dot of the chosen one";
    EXPECT_NE(middle(form->btSearch2), RGB(0, 0, 0)) << "none on the others";
  }
  EXPECT_EQ(middle(form->btSearch1), usualChosen) << "the usual look again";
  EXPECT_EQ(middle(form->btSearch2), usualIdle);
}

// The keyboard the way of the system's own dialogs: the keys the window takes before the dialog
// manager sees them (Ctrl+Tab, and the arrows on the markers) show the focus cues as the dialog
// manager's own keys do; Space chooses the focused marker, as it checks a focused radio button, also
// when no position is chosen; and the marker's cue goes when the window loses the focus and comes
// back with it.
TEST_F(OptionsWindow, TheKeysWorkAsInTheSystemsOwnDialogs) {
  const WPARAM showCues = MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS);
  {
    TSentWatch watch(form->Handle(), WM_CHANGEUISTATE);
    Press({VK_CONTROL, VK_TAB});
    EXPECT_NE(std::find(watch.Seen.begin(), watch.Seen.end(), showCues), watch.Seen.end()) << "Ctrl+Tab";
  }
  // A stored position that names no marker: none is chosen, and the first one is the tab stop.
  form.reset();
  {
    TGenericSetup store;
    store.AppName = "Panoplex2D";
    store.WriteInteger("search position", 9);
    store.SaveSettings();
  }
  Open();
  ClickAt(form->GlassButton4->Handle(), 40, 40);
  for (int p = 0; p < 8; ++p) ASSERT_FALSE(form->Marker(p)->Checked()) << p;
  form->cbEnableSearch->SetFocus();
  Press({VK_TAB});
  ASSERT_EQ(FocusedControl(), form->btSearch1);
  Press({VK_SPACE});
  EXPECT_TRUE(form->btSearch1->Checked()) << "Space chose the focused marker";
  EXPECT_TRUE(form->btApply->Enabled());
  {
    TSentWatch watch(form->Handle(), WM_CHANGEUISTATE);
    Press({VK_RIGHT});
    EXPECT_TRUE(form->btSearch2->Checked());
    EXPECT_NE(std::find(watch.Seen.begin(), watch.Seen.end(), showCues), watch.Seen.end()) << "an arrow";
  }
  Press({VK_SPACE});
  EXPECT_TRUE(form->btSearch2->Checked()) << "Space on the chosen marker keeps it";
  // The cue follows the real focus: gone while another window has it, back when the focus returns.
  const auto cue = [&](TSmoothButton* marker) {
    TDibSurface shot(marker->Width(), marker->Height());
    shot.Fill(RGB(255, 255, 255));
    SendMessageA(marker->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shot.DC()), PRF_CLIENT);
    return (shot.Pixel(1, 0) & 0xFFFFFF) != 0xFFFFFF || (shot.Pixel(0, 1) & 0xFFFFFF) != 0xFFFFFF;
  };
  ASSERT_EQ(FocusedControl(), form->btSearch2);
  SendMessageA(form->Handle(), WM_CHANGEUISTATE, showCues, 0);
  EXPECT_TRUE(cue(form->btSearch2)) << "the cue while it has the focus";
  const HWND other = CreateWindowExA(0, "STATIC", "another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 700,
                                     30, 200, 100, nullptr, nullptr, nullptr, nullptr);
  Activate(other);
  EXPECT_NE(GetFocus(), form->btSearch2->Handle());
  EXPECT_FALSE(cue(form->btSearch2)) << "no cue while another window has the focus";
  Activate(form->Handle());
  EXPECT_EQ(FocusedControl(), form->btSearch2) << "the focus comes back to it";
  EXPECT_TRUE(cue(form->btSearch2)) << "and the cue with it";
  DestroyWindow(other);
}

// Whether a window or any window in it has something left to paint.
bool AnythingLeftToPaint(HWND Window) {
  if (GetUpdateRect(Window, nullptr, FALSE)) return true;
  bool left = false;
  EnumChildWindows(
      Window,
      [](HWND child, LPARAM param) -> BOOL {
        if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE))
          *reinterpret_cast<bool*>(param) = true;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&left));
  return left;
}

// The paints of the windows of this thread while the watch lasts: those sent at once (UpdateWindow,
// RDW_UPDATENOW), and those the message loop takes from the queue, by window.
class TPaintWatch {
 public:
  TPaintWatch() {
    Active = this;
    FSent = SetWindowsHookExA(WH_CALLWNDPROC, &RecordSent, nullptr, GetCurrentThreadId());
    FQueued = SetWindowsHookExA(WH_GETMESSAGE, &RecordQueued, nullptr, GetCurrentThreadId());
  }
  ~TPaintWatch() {
    UnhookWindowsHookEx(FSent);
    UnhookWindowsHookEx(FQueued);
    Active = nullptr;
  }
  TPaintWatch(const TPaintWatch&) = delete;
  TPaintWatch& operator=(const TPaintWatch&) = delete;
  int Sent = 0;
  std::map<HWND, int> Queued;

 private:
  static LRESULT CALLBACK RecordSent(int Code, WPARAM wParam, LPARAM lParam) {
    const UINT message = reinterpret_cast<const CWPSTRUCT*>(lParam)->message;
    if (Code == HC_ACTION && Active && (message == WM_PAINT || message == WM_ERASEBKGND)) ++Active->Sent;
    return CallNextHookEx(nullptr, Code, wParam, lParam);
  }
  static LRESULT CALLBACK RecordQueued(int Code, WPARAM wParam, LPARAM lParam) {
    const auto* msg = reinterpret_cast<const MSG*>(lParam);
    if (Code == HC_ACTION && wParam == PM_REMOVE && Active && msg->message == WM_PAINT)
      ++Active->Queued[msg->hwnd];
    return CallNextHookEx(nullptr, Code, wParam, lParam);
  }
  static inline TPaintWatch* Active = nullptr;
  HHOOK FSent = nullptr, FQueued = nullptr;
};

// The app theme switched while the window is open, each way, as Windows broadcasts it: the pages and
// the button bar turn dark or light, and the window is not drawn until all of it has changed; then
// once, and completely. High contrast wins over a dark app theme: the scheme's own colours stay.
TEST_F(OptionsWindow, TheWindowFollowsTheAppThemeWhenItSwitchesInOneRepaint) {
  TAppTheme theme;
  // What the screen shows at a spot of the page and of the button bar where nothing else is drawn.
  const auto shown = [&](TWinControl& Control) {
    POINT spot{Control.Width() - 4, Control.Height() - 4};
    ClientToScreen(Control.Handle(), &spot);
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, spot.x, spot.y);
    ReleaseDC(nullptr, screen);
    return c;
  };
  const auto expectLook = [&](bool Dark, const char* When) {
    SCOPED_TRACE(When);
    EXPECT_TRUE(PumpUntil([&] { return !AnythingLeftToPaint(form->Handle()); }));
    for (TWinControl* part : {static_cast<TWinControl*>(form->PageControl1->ActivePage()),
                              static_cast<TWinControl*>(form->Panel1)}) {
      const double luminance = Luminance(shown(*part));
      if (Dark)
        EXPECT_LT(luminance, 0.05) << part->Name << " dark";
      else
        EXPECT_GT(luminance, 0.7) << part->Name << " light";
    }
  };
  expectLook(false, "opened light");
  for (int round = 0; round < 2; ++round) {
    for (bool dark : {true, false}) {
      const TPaintWatch watch;
      theme.Set(dark);
      EXPECT_EQ(watch.Sent, 0) << "nothing drawn while the window changes";
      expectLook(dark, dark ? "switched to dark" : "switched to light");
      // Then each window once, all of it: the page and the button bar among them.
      for (const auto& [window, paints] : watch.Queued) EXPECT_EQ(paints, 1) << "a window painted again";
      EXPECT_EQ(watch.Queued.count(form->PageControl1->ActivePage()->Handle()), 1u);
      EXPECT_EQ(watch.Queued.count(form->Panel1->Handle()), 1u);
    }
  }
  // Settings broadcasts that change nothing here paint nothing: the system sends several for one
  // switch of the theme, and others for the accent colour, the environment or the work area. One
  // that names no area may be any change of colours: the window is painted again, once.
  const struct {
    const char* name;
    WPARAM wParam;
    const char* area;
    bool repaint;
  } broadcasts[] = {{"the theme, unchanged", 0, "ImmersiveColorSet", false},
                    {"the environment", 0, "Environment", false},
                    {"the work area", SPI_SETWORKAREA, nullptr, false},
                    {"no area named", 0, nullptr, true}};
  for (const auto& broadcast : broadcasts) {
    SCOPED_TRACE(broadcast.name);
    const TPaintWatch watch;
    SendMessageA(form->Handle(), WM_SETTINGCHANGE, broadcast.wParam,
                 reinterpret_cast<LPARAM>(broadcast.area));
    EXPECT_EQ(watch.Sent, 0);
    EXPECT_EQ(AnythingLeftToPaint(form->Handle()), broadcast.repaint);
    expectLook(false, "after the broadcast");
    for (const auto& [window, paints] : watch.Queued) EXPECT_EQ(paints, 1) << "a window painted again";
  }
  // High contrast with apps dark: the window and the button bar in the scheme's colours.
  theme.Set(true);
  const TColorScheme colors(HighContrastWhite.colors);
  ForceHighContrast(true);
  SendMessageA(form->Handle(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
  EXPECT_TRUE(PumpUntil([&] { return !AnythingLeftToPaint(form->Handle()); }));
  EXPECT_EQ(shown(*form->PageControl1->ActivePage()), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(shown(*form->Panel1), GetSysColor(COLOR_BTNFACE));
  ForceHighContrast(std::nullopt);
}

// The settings file, held open without sharing by another program while the test lasts.
class THeldSettingsFile {
 public:
  THeldSettingsFile() {
    TGenericSetup store;
    store.AppName = "Panoplex2D";
    store.WriteInteger("run with windows", 1);
    store.SaveSettings();
    FFile = CreateFileW(AnsiToWide(store.ConfigFileName()).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                        0, nullptr);
  }
  ~THeldSettingsFile() { Release(); }
  THeldSettingsFile(const THeldSettingsFile&) = delete;
  THeldSettingsFile& operator=(const THeldSettingsFile&) = delete;
  bool Held() const { return FFile != INVALID_HANDLE_VALUE; }
  void Release() {
    if (FFile != INVALID_HANDLE_VALUE) CloseHandle(FFile);
    FFile = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE FFile = INVALID_HANDLE_VALUE;
};

// Counts the message boxes made on this thread, and whether the main window had anything left to
// paint when one was.
struct TBoxWatch {
  static LRESULT CALLBACK Made(int Code, WPARAM wParam, LPARAM lParam) {
    char name[16] = {};
    if (Code == HCBT_CREATEWND && GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof name) &&
        std::string(name) == "#32770") {
      ++Boxes;
      LeftToPaint = LeftToPaint || (Main && AnythingLeftToPaint(Main));
    }
    return CallNextHookEx(nullptr, Code, wParam, lParam);
  }
  static inline HWND Main = nullptr;
  static inline int Boxes = 0;
  static inline bool LeftToPaint = false;
};

// The error box of a start whose settings file cannot be read opens over the window already painted:
// when the box is made, nothing of the window is left to paint (a box over an unpainted window would
// leave the user nothing to see behind it but the box).
TEST_F(OptionsWindow, TheStartsErrorBoxOpensOverAWindowAlreadyPainted) {
  form.reset();
  THeldSettingsFile held;
  ASSERT_TRUE(held.Held());
  TBoxWatch::Boxes = 0;
  TBoxWatch::LeftToPaint = false;
  const std::string title = std::exchange(Application.Title, "Options Start Test");
  const HHOOK hook = SetWindowsHookExA(WH_CBT, &TBoxWatch::Made, nullptr, GetCurrentThreadId());
  std::string shown;
  std::atomic<bool> answered = false;
  std::thread answer([&] {
    shown = AnswerBox("Options Start Test");
    answered = true;
  });
  form = std::make_unique<TForm1>(nullptr);
  form->HandleNeeded();
  TBoxWatch::Main = form->Handle();
  ASSERT_TRUE(TBoxWatch::Main);
  Open2(false);
  // The box comes and goes inside the loop; the other thread says when it has answered it.
  EXPECT_TRUE(PumpUntil([&] { return answered.load(); }));
  answer.join();
  UnhookWindowsHookEx(hook);
  Application.Title = title;
  EXPECT_EQ(shown.rfind("Cannot open file \"", 0), 0u) << shown;
  EXPECT_EQ(TBoxWatch::Boxes, 1);
  EXPECT_FALSE(TBoxWatch::LeftToPaint) << "the window was painted before the box was made";
}

// While the settings file is unread, Restore defaults is not offered: its menu item is greyed, and a
// command for it all the same changes neither Apply, nor the pages, nor the file. Once the file has
// been read, it is offered again.
TEST_F(OptionsWindow, RestoreDefaultsWaitsUntilTheFileHasBeenRead) {
  form.reset();
  THeldSettingsFile held;
  ASSERT_TRUE(held.Held());
  const std::string title = std::exchange(Application.Title, "Options Unread Test");
  std::thread answer([] { AnswerBox("Options Unread Test"); });
  Open();
  answer.join();
  Application.Title = title;
  ASSERT_TRUE(form->btReadAgain->Visible()) << "unread";
  HMENU menu = GetSystemMenu(form->Handle(), FALSE);
  constexpr UINT restore = 0x0100;
  EXPECT_TRUE(GetMenuState(menu, restore, MF_BYCOMMAND) & MF_GRAYED);
  const bool ticked = form->cbRunWithWindows->Checked();
  PostMessageA(form->Handle(), WM_SYSCOMMAND, restore, 0);
  Application.ProcessMessages();  // the posted command and all it leads to
  EXPECT_FALSE(form->btApply->Enabled());
  EXPECT_EQ(form->cbRunWithWindows->Checked(), ticked) << "the pages as they were";
  held.Release();
  TGenericSetup store;
  store.AppName = "Panoplex2D";
  store.LoadSettings();
  EXPECT_EQ(store.ReadInteger("run with windows", 0), 1) << "the file as it was";
  form->btReadAgain->Click();
  ASSERT_FALSE(form->btReadAgain->Visible()) << "read now";
  EXPECT_FALSE(GetMenuState(menu, restore, MF_BYCOMMAND) & MF_GRAYED);
  PostMessageA(form->Handle(), WM_SYSCOMMAND, restore, 0);
  EXPECT_TRUE(PumpUntil([&] { return form->btApply->Enabled(); }))
      << "Restore defaults works once the file is read";
  EXPECT_FALSE(form->cbRunWithWindows->Checked()) << "the default";
}

}  // namespace
}  // namespace px2d::test
