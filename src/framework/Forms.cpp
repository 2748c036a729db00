#include "Forms.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "SysUtils.h"

namespace px2d {

TApplication Application;

namespace {
// The forms of the program, for the idle moments of its message loop.
std::vector<TForm*>& Forms() {
  static std::vector<TForm*> forms;
  return forms;
}
// Redrawing held off on the client's windows while the window changes as a whole, so that nothing
// half-changed is drawn; not on the window itself: there it would take the window's visible style
// away meanwhile, and with it the window from hit-testing and from the window manager's view.
class THeldRedraw {
 public:
  explicit THeldRedraw(HWND Window) {
    for (HWND child = GetWindow(Window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
      if (IsWindowVisible(child)) FHeld.push_back(child);
    for (HWND child : FHeld) SendMessageA(child, WM_SETREDRAW, FALSE, 0);
  }
  ~THeldRedraw() {
    for (HWND child : FHeld) SendMessageA(child, WM_SETREDRAW, TRUE, 0);
  }
  THeldRedraw(const THeldRedraw&) = delete;
  THeldRedraw& operator=(const THeldRedraw&) = delete;

 private:
  std::vector<HWND> FHeld;
};

// The title bar dark or light, where the system draws it either way (Windows 10 since 1809: the
// attribute is 20 since 20H1 and 19 before); elsewhere the system refuses it and the bar stays.
// Whether the system took it.
bool UseDarkTitleBar(HWND Window, bool Dark) {
  using TDwmSetWindowAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
  static const auto set = [] {
    const HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
    return dwm ? reinterpret_cast<TDwmSetWindowAttribute>(
                     reinterpret_cast<void*>(GetProcAddress(dwm, "DwmSetWindowAttribute")))
               : nullptr;
  }();
  if (!set) return false;
  const BOOL value = Dark ? TRUE : FALSE;
  return SUCCEEDED(set(Window, 20, &value, sizeof value)) || SUCCEEDED(set(Window, 19, &value, sizeof value));
}
// Whether a settings broadcast names the app theme ("ImmersiveColorSet", or the theme's elements).
bool IsAppThemeChange(LPARAM Area) {
  if (!Area) return false;
  const auto* name = reinterpret_cast<const char*>(Area);
  return lstrcmpiA(name, "ImmersiveColorSet") == 0 || lstrcmpiA(name, "WindowsThemeElement") == 0;
}
}  // namespace

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner), FPixelsPerInch(ScreenPixelsPerInch()) {
  Forms().push_back(this);
}

TForm::~TForm() { Forms().erase(std::remove(Forms().begin(), Forms().end(), this), Forms().end()); }

bool TForm::Idle() {
  if (FAllWindowsMade || !HandleAllocated() || !IsWindowVisible(Handle())) return false;
  // One control still without its window (a page's first control, say) gets its window and those
  // of the controls in it; the rest waits for the next idle moment, so the window keeps answering.
  std::function<TWinControl*(TWinControl&)> waiting = [&](TWinControl& parent) -> TWinControl* {
    for (auto& child : parent.Controls()) {
      auto* win = dynamic_cast<TWinControl*>(child.get());
      if (!win) continue;
      if (!win->HandleAllocated()) return win;
      if (TWinControl* found = waiting(*win)) return found;
    }
    return nullptr;
  };
  if (TWinControl* next = waiting(*this)) {
    next->CreateAllWindows();
    return true;
  }
  FAllWindowsMade = true;
  return false;
}

namespace {
// The resolution the system gives a window (the monitor's it is on); before it exists, the screen's.
int WindowResolution(HWND Window) {
  using TGetDpiForWindow = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<TGetDpiForWindow>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  const int dpi = Window && getDpiForWindow ? static_cast<int>(getDpiForWindow(Window)) : 0;
  return dpi > 0 ? dpi : ScreenPixelsPerInch();
}

// The window rectangle for a client rectangle, with the frame the window has at Dpi: the system's
// own reckoning at that resolution where it has one.
void AdjustForResolution(RECT& Rect, DWORD Style, DWORD ExStyle, int Dpi) {
  using TAdjust = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto adjust = reinterpret_cast<TAdjust>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "AdjustWindowRectExForDpi")));
  if (!adjust || !adjust(&Rect, Style, FALSE, ExStyle, static_cast<UINT>(Dpi)))
    AdjustWindowRectEx(&Rect, Style, FALSE, ExStyle);
}
}  // namespace

void TForm::SetClientSize(int AWidth, int AHeight) {
  FClientWidth = AWidth;
  FClientHeight = AHeight;
  if (!HandleAllocated()) {
    UpdateBounds(FLeft, FTop, Scale(AWidth), Scale(AHeight));
    return;
  }
  RECT rect{0, 0, Scale(AWidth), Scale(AHeight)};
  AdjustForResolution(rect, static_cast<DWORD>(GetWindowLongPtrA(Handle(), GWL_STYLE)),
                      static_cast<DWORD>(GetWindowLongPtrA(Handle(), GWL_EXSTYLE)),
                      WindowResolution(Handle()));
  SetWindowPos(Handle(), nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::SetPixelsPerInch(int Value) {
  if (Value <= 0 || !StoreIfChanged(FPixelsPerInch, Value)) return;
  // Every font takes the new resolution; every control is placed again from its design.
  std::function<void(TControl&)> rescale = [&](TControl& c) {
    c.ResolutionChanged();
    if (auto* w = dynamic_cast<TWinControl*>(&c))
      for (auto& child : w->Controls()) rescale(*child);
  };
  rescale(*this);
  std::function<void(TWinControl&)> realign = [&](TWinControl& w) {
    w.AlignControls();
    for (auto& child : w.Controls())
      if (auto* cw = dynamic_cast<TWinControl*>(child.get())) realign(*cw);
  };
  realign(*this);
  Invalidate();
}

void TForm::CreateParams(TCreateParams& Params) {
  Params.WinClassName = ClassName();
  Params.Style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  Params.ExStyle = WS_EX_CONTROLPARENT;
  if (Application.MainFormOnTaskbar && Application.MainForm() == this) Params.ExStyle |= WS_EX_APPWINDOW;
  RECT rect{0, 0, Scale(FClientWidth), Scale(FClientHeight)};
  AdjustForResolution(rect, Params.Style, Params.ExStyle, WindowResolution(nullptr));
  Params.X = CW_USEDEFAULT;
  Params.Y = CW_USEDEFAULT;
  Params.Width = rect.right - rect.left;
  Params.Height = rect.bottom - rect.top;
  // Never larger than the screen's work area: at a high resolution on a small screen the window
  // opens smaller, and its layout follows.
  RECT work{};
  if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0) && work.right > work.left &&
      work.bottom > work.top) {
    Params.Width = std::min(Params.Width, static_cast<int>(work.right - work.left));
    Params.Height = std::min(Params.Height, static_cast<int>(work.bottom - work.top));
  }
}

void TForm::CreateWnd() {
  TWinControl::CreateWnd();
  // As a dialog does: focus cues stay hidden until the keyboard is used, unless the user asked to
  // see them always. The dialog keys show them (the dialog manager clears the flag).
  BOOL cues = FALSE;
  SystemParametersInfoA(SPI_GETKEYBOARDCUES, 0, &cues, 0);
  SendMessageA(Handle(), WM_CHANGEUISTATE, MAKEWPARAM(cues ? UIS_CLEAR : UIS_SET, UISF_HIDEFOCUS), 0);
  // Windows' app theme reaches the title bar only when asked for.
  if (DarkMode()) UseDarkTitleBar(Handle(), true);
  // Made on a monitor whose resolution is not the system's: the layout takes the monitor's (unless
  // the program chose a resolution of its own for the window).
  using TGetDpiForWindow = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<TGetDpiForWindow>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  int dpi = getDpiForWindow ? static_cast<int>(getDpiForWindow(Handle())) : 0;
  // A window not shown yet reports the primary monitor's resolution: with more than one monitor,
  // the resolution is that of the monitor the window is on.
  if (GetSystemMetrics(SM_CMONITORS) > 1) {
    using TGetDpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    if (HMODULE shcore = LoadLibraryA("shcore.dll")) {
      const auto getDpiForMonitor = reinterpret_cast<TGetDpiForMonitor>(
          reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")));
      UINT x = 0, y = 0;
      if (getDpiForMonitor &&
          SUCCEEDED(getDpiForMonitor(MonitorFromWindow(Handle(), MONITOR_DEFAULTTONEAREST), 0, &x, &y)) &&
          x > 0)
        dpi = static_cast<int>(x);
    }
  }
  if (dpi > 0 && dpi != FPixelsPerInch && FPixelsPerInch == ScreenPixelsPerInch()) {
    SetPixelsPerInch(dpi);
    SetClientSize(FClientWidth, FClientHeight);
  }
}

void TForm::AlignControls() {
  if (!FHoldLayout) TWinControl::AlignControls();
}

void TForm::KeepInWorkArea() {
  if (!HandleAllocated()) return;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  RECT window;
  if (!GetWindowRect(Handle(), &window) ||
      !GetMonitorInfoA(MonitorFromWindow(Handle(), MONITOR_DEFAULTTONEAREST), &monitor))
    return;
  const RECT& work = monitor.rcWork;
  // Shrunk only where it is larger than the work area, then moved into it.
  const int width = std::min(window.right - window.left, work.right - work.left);
  const int height = std::min(window.bottom - window.top, work.bottom - work.top);
  const int left = std::clamp(static_cast<int>(window.left), static_cast<int>(work.left),
                              static_cast<int>(work.right) - width);
  const int top = std::clamp(static_cast<int>(window.top), static_cast<int>(work.top),
                             static_cast<int>(work.bottom) - height);
  if (left != window.left || top != window.top || width != window.right - window.left ||
      height != window.bottom - window.top)
    SetWindowPos(Handle(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::Show(bool PaintNow) {
  HandleNeeded();
  ShowWindow(Handle(), SW_SHOWNORMAL);
  if (PaintNow) UpdateWindow(Handle());
}

void TForm::Close() {
  if (HandleAllocated()) SendMessageA(Handle(), WM_CLOSE, 0, 0);
}

namespace {
// The window and its parents up to Top are shown and enabled by their styles. The styles, not
// IsWindowVisible: while the window is being activated it may not count as visible yet.
bool CanTakeFocusIn(HWND Top, HWND Window) {
  if (!Window || !IsWindow(Window) || !IsChild(Top, Window)) return false;
  for (HWND w = Window; w && w != Top; w = GetParent(w)) {
    const LONG_PTR style = GetWindowLongPtrA(w, GWL_STYLE);
    if (!(style & WS_VISIBLE) || (style & WS_DISABLED)) return false;
  }
  return true;
}
}  // namespace

void TForm::SelectFirst() {
  if (!HandleAllocated()) return;
  HWND first = GetNextDlgTabItem(Handle(), nullptr, FALSE);
  ::SetFocus(CanTakeFocusIn(Handle(), first) ? first : Handle());
}

void TForm::FocusMovedTo(TWinControl* Control) {
  BroadcastFocusChanged(Control);
  if (Control == FFocusedControl) return;
  // The focus left the window (another window was activated, or an error box took it): the control
  // hears that it lost it, so that its cue goes, and stays the one to get it back.
  TWinControl* left = std::exchange(FFocusedControl, Control);
  if (Control) FActiveControl = Control;
  if (left) left->DoExit();
  if (Control) Control->DoEnter();
}

void TForm::ControlDestroyed(TWinControl* Control) {
  if (FActiveControl == Control) FActiveControl = nullptr;
  if (FFocusedControl == Control) FFocusedControl = nullptr;
}

void TForm::RestoreFocus() {
  HWND active = FActiveControl ? FActiveControl->Handle() : nullptr;
  if (CanTakeFocusIn(Handle(), active))
    ::SetFocus(active);
  else
    SelectFirst();
}

TWinControl* TForm::FindButton(bool Cancel) const {
  std::function<TWinControl*(const TWinControl&)> find = [&](const TWinControl& parent) -> TWinControl* {
    for (auto& child : parent.Controls()) {
      auto* win = dynamic_cast<TWinControl*>(child.get());
      if (!win) continue;
      if ((Cancel ? win->IsCancel() : win->IsDefault()) && win->CanFocus()) return win;
      if (TWinControl* found = find(*win)) return found;
    }
    return nullptr;
  };
  return find(*this);
}

LRESULT TForm::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
    case WM_SETTINGCHANGE: {
      // Another colour scheme, high contrast on or off, the app theme dark or light: the window
      // follows it while it is open, and shows it in one repaint. The common controls hear of new
      // colours only from their parent. The app theme changes no system colour: the system's
      // controls then only take their style, and a broadcast that changed nothing (the system sends
      // several for one switch, and others for the accent colour) does nothing.
      const LRESULT result = TWinControl::WndProc(Msg, wParam, lParam);
      const bool themeOnly = Msg == WM_SETTINGCHANGE && wParam == 0 && IsAppThemeChange(lParam);
      if (Msg == WM_SETTINGCHANGE && wParam != SPI_SETHIGHCONTRAST &&
          !(wParam == 0 && (!lParam || themeOnly)))
        return result;
      const bool wasDark = DarkMode(), wasHighContrast = HighContrast();
      RefreshHighContrast();
      RefreshDarkMode();
      if (themeOnly && DarkMode() == wasDark && HighContrast() == wasHighContrast) return result;
      {
        const THeldRedraw held(Handle());
        // The window manager draws the title bar anew only when told that the frame changed.
        if (DarkMode() != wasDark && UseDarkTitleBar(Handle(), DarkMode()) && IsWindowVisible(Handle()))
          SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                       SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        // A theme broadcast that came with high contrast switched still needs the new colours.
        if (themeOnly && HighContrast() == wasHighContrast)
          UpdateControlStyles();
        else if (Msg == WM_SYSCOLORCHANGE || Msg == WM_SETTINGCHANGE)
          EnumChildWindows(
              Handle(),
              [](HWND child, LPARAM) -> BOOL {
                SendMessageA(child, WM_SYSCOLORCHANGE, 0, 0);
                return TRUE;
              },
              0);
        SchemeChanged();
      }
      RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
      return result;
    }
    case DM_GETDEFID:
      // The dialog manager asks which button Enter presses.
      if (TWinControl* button = FindButton(false))
        return MAKELRESULT(static_cast<WORD>(button->ControlId()), DC_HASDEFID);
      return 0;
    case WM_COMMAND:
      if (!FindControl(reinterpret_cast<HWND>(lParam))) {
        // Enter without a default button, or Escape: the dialog manager's identifiers, sent without
        // a window of ours. A cancel button takes Escape; without one Escape does nothing.
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
          if (TWinControl* button = FindButton(LOWORD(wParam) == IDCANCEL)) button->Click();
          return 0;
        }
        // The default button by its identifier alone: a dialog manager that looks among the
        // window's own children only does not find it inside the button bar.
        if (HIWORD(wParam) == BN_CLICKED && lParam == 0) {
          TWinControl* button = FindChildControl(LOWORD(wParam));
          if (button && button->IsDefault() && button->CanFocus()) button->Click();
          return 0;
        }
      }
      break;
    case WM_ACTIVATE:
      // The focus comes back to the control that had it when the window comes to the front again;
      // the first time, it goes to the first tab stop.
      if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) {
        RestoreFocus();
        return 0;
      }
      break;
    case WM_SETFOCUS:
      // The window itself got the focus (after it was restored, say): it hands it on.
      RestoreFocus();
      return 0;
    case WM_CANCELMODE: {
      // A modal box or a switch of programs ends a press in progress in any control of this window.
      HWND capture = GetCapture();
      if (capture && capture != Handle() && IsChild(Handle(), capture))
        SendMessageA(capture, WM_CANCELMODE, 0, 0);
      break;
    }
    case 0x02E4: {  // WM_GETDPISCALEDSIZE
      // The size the window asks for at the new resolution: its client area scaled by the ratio of
      // the two, with the frame it has there. At its designed size it gets what a fresh start there
      // gets; a resized window keeps its proportions.
      auto* size = reinterpret_cast<SIZE*>(lParam);
      const int dpi = static_cast<int>(wParam);
      if (!size || dpi <= 0) break;
      RECT client{0, 0, MulDiv(ClientWidth(), dpi, FPixelsPerInch),
                  MulDiv(ClientHeight(), dpi, FPixelsPerInch)};
      if (ClientWidth() == Scale(FClientWidth) && ClientHeight() == Scale(FClientHeight))
        client = {0, 0, ScaleBy(FClientWidth, dpi), ScaleBy(FClientHeight, dpi)};
      AdjustForResolution(client, static_cast<DWORD>(GetWindowLongPtrA(Handle(), GWL_STYLE)),
                          static_cast<DWORD>(GetWindowLongPtrA(Handle(), GWL_EXSTYLE)), dpi);
      size->cx = client.right - client.left;
      size->cy = client.bottom - client.top;
      return TRUE;
    }
    case WM_DPICHANGED: {
      // Moved to a monitor of another resolution: the window takes the rectangle the system
      // suggests first, and then the layout is scaled anew from its design, once, at that size, with
      // nothing drawn in between.
      {
        const THeldRedraw held(Handle());
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        if (suggested) {
          FHoldLayout = true;
          SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
          FHoldLayout = false;
        }
        const int before = FPixelsPerInch;
        SetPixelsPerInch(HIWORD(wParam));
        if (FPixelsPerInch == before) AlignControls();
        KeepInWorkArea();
      }
      RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
      ResolutionOfWindowChanged();
      return 0;
    }
    case WM_CLOSE:
      DestroyWindow(Handle());
      return 0;
    case WM_DESTROY:
      if (Application.MainForm() == this) PostQuitMessage(0);
      break;
    default:
      break;
  }
  return TWinControl::WndProc(Msg, wParam, lParam);
}

TApplication::TApplication() { SetFailureReporter(this); }

TApplication::~TApplication() {
  if (FailureReporter() == this) SetFailureReporter(nullptr);
}

void TApplication::Initialize() {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&icc);
}

void TApplication::DoCreate(TForm& Form) {
  if (!Form.OnCreate) return;
  try {
    Form.OnCreate(&Form);
  } catch (...) {
    HandleException();
  }
}

bool TApplication::PreProcessMessage(MSG& Msg) {
  HWND root = Msg.hwnd ? GetAncestor(Msg.hwnd, GA_ROOT) : nullptr;
  auto* form = dynamic_cast<TForm*>(TWinControl::FindControl(root));
  if (!form) return false;
  switch (Msg.message) {
    case WM_KEYDOWN:
      if (form->ShortCut(static_cast<WORD>(Msg.wParam), KeyboardShiftState())) return true;
      switch (Msg.wParam) {
        case VK_TAB:
        case VK_RETURN:
        case VK_ESCAPE:
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
          // The focused control of ours may take a navigation key before the dialog manager does.
          if (TWinControl* target = TWinControl::FindControl(Msg.hwnd)) {
            if (target->DialogKey(static_cast<WORD>(Msg.wParam), KeyboardShiftState())) return true;
          }
          break;
        default:
          break;
      }
      break;
    case WM_SYSCHAR:
      // Alt and a letter: the accelerators of the glass buttons and labels, wherever the focus is.
      if (form->BroadcastDialogChar(static_cast<char>(Msg.wParam), KeyboardShiftState() | ssAlt)) return true;
      break;
    case WM_CHAR: {
      // A letter alone, while the focused control takes no characters: as the dialog manager does
      // for the system's controls, it reaches the accelerators of ours too.
      const LRESULT code = SendMessageA(Msg.hwnd, WM_GETDLGCODE, Msg.wParam, reinterpret_cast<LPARAM>(&Msg));
      if (!(code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE | DLGC_HASSETSEL)) &&
          Msg.wParam > ' ' && form->BroadcastDialogChar(static_cast<char>(Msg.wParam), KeyboardShiftState()))
        return true;
      break;
    }
    default:
      break;
  }
  return IsDialogMessageA(root, &Msg) != FALSE;
}

void TApplication::ProcessMessage(MSG& Msg) {
  // The dialog keys and characters run handlers outside any window procedure: what they throw is
  // shown here, as a window procedure shows it.
  try {
    if (PreProcessMessage(Msg)) return;
    TranslateMessage(&Msg);
    DispatchMessageA(&Msg);
  } catch (...) {
    HandleException();
  }
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    ProcessMessage(msg);
  }
  while (Idle() && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
  }
}

bool TApplication::Idle() {
  bool more = false;
  try {
    for (TForm* form : std::vector<TForm*>(Forms())) more = form->Idle() || more;
  } catch (...) {
    HandleException();
  }
  return more;
}

void TApplication::Run() {
  if (!FMainForm) return;
  // Shown without painting it here: the loop below paints it a window at a time, as the system
  // asks, so that its first paint is not one long message that everything else waits behind.
  FMainForm->Show(false);
  // Paints come last in the queue: when it is empty, the window has painted everything it had to.
  MSG msg;
  for (;;) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return;
      ProcessMessage(msg);
    }
    // Idle work goes in small steps while nothing else waits; then the loop sleeps.
    if (!Idle()) WaitMessage();
  }
}

void TApplication::HandleException() {
  try {
    throw;
  } catch (const std::exception& e) {
    ReportFailure(e.what());
  } catch (...) {
    ReportFailure("An unknown error occurred");
  }
}

namespace {
constexpr UINT WM_PX2D_SHOWFAILURES = WM_APP + 0x102;
}  // namespace

LRESULT CALLBACK TApplication::FailureWindowProc(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (Msg != WM_PX2D_SHOWFAILURES) return DefWindowProcA(hwnd, Msg, wParam, lParam);
  Application.ShowReportedFailures();
  return 0;
}

void TApplication::ReportFailure(const std::string& Message) {
  if ((FShowingFailure && FShownFailure == Message) ||
      std::find(FReportedFailures.begin(), FReportedFailures.end(), Message) != FReportedFailures.end())
    return;
  if (!FFailureWindow) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &TApplication::FailureWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TApplicationFailures";
    RegisterClassA(&wc);
    FFailureWindow = CreateWindowExA(0, wc.lpszClassName, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     wc.hInstance, nullptr);
  }
  FReportedFailures.push_back(Message);
  // Without a window to post to, the box comes now rather than never.
  if (!FFailureWindow || !PostMessageA(FFailureWindow, WM_PX2D_SHOWFAILURES, 0, 0)) ShowReportedFailures();
}

void TApplication::ShowReportedFailures() {
  // One box at a time: a report that arrives while one is up waits for it to close.
  if (FShowingFailure) return;
  while (!FReportedFailures.empty()) {
    FShownFailure = FReportedFailures.front();
    FReportedFailures.pop_front();
    FShowingFailure = true;
    ShowException(FShownFailure);
    FShowingFailure = false;
    FShownFailure.clear();
  }
}

void TApplication::ShowException(const std::string& Message) {
  std::string text = Message;
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  HWND owner = GetActiveWindow();
  if (!owner && FMainForm) owner = FMainForm->Handle();
  MessageBoxA(owner, text.c_str(), Title.c_str(), MB_OK | MB_ICONERROR);
}

void TApplication::Finalize() {
  if (FFailureWindow) DestroyWindow(std::exchange(FFailureWindow, nullptr));
  FMainForm = nullptr;
  DestroyComponents();
}

}  // namespace px2d
