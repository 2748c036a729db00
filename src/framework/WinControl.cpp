// TWinControl: its window (made, attached, destroyed), its state reaching the window, and its messages.
#include "Controls.h"

#include <commctrl.h>

#include <algorithm>
#include <mutex>
#include <unordered_map>

#include "ControlsInternal.h"
#include "SysUtils.h"

namespace px2d {

namespace {
// Which wrapper each window belongs to, and for each system window the procedure it had before
// ours. Kept in this process, not in window properties or the common controls' subclass chain,
// which ask the window server on every message where the system keeps them there (under Wine a
// message to a button cost 150 times as much).
struct TWindowTable {
  std::mutex lock;
  std::unordered_map<HWND, TWinControl*> controls;
  std::unordered_map<HWND, WNDPROC> systemProcs;
};
TWindowTable& Windows() {
  // Never destroyed: a window may outlive the static objects at exit.
  static auto* table = new TWindowTable;
  return *table;
}
void ForgetSystemProc(HWND Window) {
  TWindowTable& table = Windows();
  std::lock_guard<std::mutex> guard(table.lock);
  table.systemProcs.erase(Window);
}
// Control identifiers that the framework gives windows without one of their own: above the
// identifiers of any layout, below the system's own ones.
int NextAutomaticId = 0x7000;

// The control whose window is being made by CreateWindowExA on this thread: the creation hook
// attaches it to its window before the window's first message.
thread_local TWinControl* CreatingControl = nullptr;
}  // namespace

// --- TWinControl: lifetime and windows ---

TWinControl::~TWinControl() {
  // The host hears of the controls inside it (those with a parent), not of itself.
  if (TControlHost* host = Host(); host && FParent) host->ControlDestroyed(this);
  // Children first: their windows go before ours. Each leaves the lists before it is destroyed, so
  // that nothing walks over a half-destroyed control.
  while (!FControls.empty()) {
    std::unique_ptr<TControl> child = std::move(FControls.back());
    FControls.pop_back();
    if (auto* win = dynamic_cast<TWinControl*>(child.get()))
      FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), win), FTabList.end());
    child.reset();
  }
  DestroyHandle();
}

void TWinControl::BeginLoading() {
  TControl::BeginLoading();
  for (auto& child : FControls) child->BeginLoading();
}

void TWinControl::EndLoading() {
  if (!Loading()) return;
  TControl::EndLoading();
  // This control's children are placed first, then each places its own.
  AlignControls();
  for (auto& child : FControls) child->EndLoading();
  std::stable_sort(FTabList.begin(), FTabList.end(),
                   [](const TWinControl* a, const TWinControl* b) { return a->FTabOrder < b->FTabOrder; });
  ApplyTabOrder();
}

void TWinControl::ControlInserted(TControl& Control) {
  Control.FParent = this;
  if (auto* win = dynamic_cast<TWinControl*>(&Control)) {
    win->FTabOrder = static_cast<int>(FTabList.size());
    FTabList.push_back(win);
  }
  // The new child takes this control's resolution, then its font (which carries it), then its place.
  std::vector<TControl*> subtree{&Control};
  while (!subtree.empty()) {
    TControl* c = subtree.back();
    subtree.pop_back();
    c->ResolutionChanged();
    if (auto* w = dynamic_cast<TWinControl*>(c))
      for (auto& child : w->FControls) subtree.push_back(child.get());
  }
  Control.ParentFontChanged();
  // A control inserted while a layout is applied is loaded with it.
  if (Loading()) Control.BeginLoading();
  PlaceControl(Control);
  if (auto* win = dynamic_cast<TWinControl*>(&Control); win && FHandle) {
    win->HandleNeeded();
    ApplyTabOrder();
  }
  if (!Control.IsWindowed()) Control.Invalidate();
}

void TWinControl::CreateParams(TCreateParams& Params) {
  Params.WinClassName = ClassName();
  Params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  if (FTabStop) Params.Style |= WS_TABSTOP;
  if (FVisible) Params.Style |= WS_VISIBLE;
  if (!EnabledWithParents()) Params.Style |= WS_DISABLED;
  Params.X = FLeft;
  Params.Y = FTop;
  Params.Width = FWidth;
  Params.Height = FHeight;
  if (FParent) {
    FParent->HandleNeeded();
    Params.WndParent = FParent->Handle();
  }
}

void TWinControl::HandleNeeded() {
  if (!FHandle) CreateWnd();
}

LRESULT CALLBACK TWinControl::CreationHook(int Code, WPARAM wParam, LPARAM lParam) {
  if (Code == HCBT_CREATEWND && CreatingControl) {
    TWinControl* control = CreatingControl;
    CreatingControl = nullptr;
    // No exception may cross into the system: a wrapper that cannot join here lets the window go
    // again and joins it right after it is made, where a failure is reported as any other.
    try {
      control->Attach(reinterpret_cast<HWND>(wParam), true);
    } catch (...) {
      control->Detach();
    }
  }
  return CallNextHookEx(nullptr, Code, wParam, lParam);
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (params.Style & WS_CHILD) {
    if (FControlId == 0) FControlId = NextAutomaticId++;
  }
  // A child window's menu handle is its control identifier.
  HMENU menu =
      (params.Style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(FControlId)) : nullptr;
  HWND hwnd = nullptr;
  if (params.SystemClass) {
    // The wrapper joins the window before its first message, through a creation hook on this thread.
    HHOOK hook = SetWindowsHookExA(WH_CBT, &TWinControl::CreationHook, nullptr, GetCurrentThreadId());
    CreatingControl = this;
    hwnd =
        CreateWindowExA(params.ExStyle, params.WinClassName.c_str(), FCaption.c_str(), params.Style, params.X,
                        params.Y, params.Width, params.Height, params.WndParent, menu, instance, nullptr);
    const DWORD error = GetLastError();
    CreatingControl = nullptr;
    if (hook) UnhookWindowsHookEx(hook);
    if (hwnd && !FHandle) Attach(hwnd, true);  // no hook could be set: attached right after creation
    if (hwnd) UpdateControlStyle();
    SetLastError(error);
  } else {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof(existing);
    if (!GetClassInfoExA(instance, params.WinClassName.c_str(), &existing)) {
      WNDCLASSEXA wc{};
      wc.cbSize = sizeof(wc);
      wc.style = params.ClassStyle;
      wc.lpfnWndProc = &TWinControl::WindowProc;
      wc.hInstance = instance;
      wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
      wc.hbrBackground = params.Background;
      wc.lpszClassName = params.WinClassName.c_str();
      if (!RegisterClassExA(&wc)) RaiseLastOSError();
    }
    hwnd =
        CreateWindowExA(params.ExStyle, params.WinClassName.c_str(), FCaption.c_str(), params.Style, params.X,
                        params.Y, params.Width, params.Height, params.WndParent, menu, instance, this);
  }
  if (!hwnd) RaiseLastOSError();
  FHandle = hwnd;
  if (params.SystemClass) SendWindowFont();
  ReadBoundsFromWindow();
  if (ChildWindowsNeeded()) CreateChildWindows();
}

void TWinControl::CreateChildWindows() {
  for (auto& child : FControls) {
    if (auto* win = dynamic_cast<TWinControl*>(child.get())) win->HandleNeeded();
  }
  ApplyTabOrder();
}

void TWinControl::CreateAllWindows() {
  HandleNeeded();
  for (auto& child : FControls) {
    if (auto* win = dynamic_cast<TWinControl*>(child.get())) win->CreateAllWindows();
  }
  ApplyTabOrder();
}

void TWinControl::Attach(HWND hwnd, bool Subclass) {
  FHandle = hwnd;
  TWindowTable& table = Windows();
  {
    std::lock_guard<std::mutex> guard(table.lock);
    table.controls[hwnd] = this;
  }
  if (Subclass) {
    FSubclassed = true;
    // The system's controls are Unicode windows: their messages reach us as they were sent to them.
    FSystemProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWinControl::SubclassProc)));
    std::lock_guard<std::mutex> guard(table.lock);
    table.systemProcs[hwnd] = FSystemProc;
  } else {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
}

void TWinControl::UpdateControlStyles() {
  UpdateControlStyle();
  for (const auto& child : FControls)
    if (auto* win = dynamic_cast<TWinControl*>(child.get())) win->UpdateControlStyles();
}

void TWinControl::UpdateControlStyle() {
  const TControlStyle wanted = CurrentControlStyle();
  if (!FHandle || !FSubclassed || wanted == FControlStyle) return;
  FControlStyle = wanted;
  ApplyControlStyle(FHandle, wanted);
}

void TWinControl::Detach() {
  if (!FHandle) return;
  // The accessible object goes with the window: its clients are told that it is gone.
  FAccessible.reset();
  TWindowTable& table = Windows();
  {
    std::lock_guard<std::mutex> guard(table.lock);
    table.controls.erase(FHandle);
  }
  if (FSubclassed) {
    // Another procedure put over ours keeps ours in the chain: it then passes every message on to
    // the system's, until the window is gone.
    if (GetWindowLongPtrW(FHandle, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&TWinControl::SubclassProc)) {
      SetWindowLongPtrW(FHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FSystemProc));
      ForgetSystemProc(FHandle);
    }
  } else {
    SetWindowLongPtrA(FHandle, GWLP_USERDATA, 0);
  }
  FHandle = nullptr;
  FControlStyle = TControlStyle::System;
  FWindowFont.reset();
  FPaintBuffer.reset();  // a window made again makes its buffer again
}

void TWinControl::DestroyHandle() {
  if (!FHandle) return;
  HWND hwnd = FHandle;
  // The wrapper lets go of its window before the window goes, so that no message of its end
  // reaches a wrapper that is itself going.
  Detach();
  DestroyWindow(hwnd);
}

void TWinControl::SetControlId(int Value) {
  if (!StoreIfChanged(FControlId, Value)) return;
  if (FHandle && (GetWindowLongPtrA(FHandle, GWL_STYLE) & WS_CHILD))
    SetWindowLongPtrA(FHandle, GWLP_ID, Value);
}

TWinControl* TWinControl::FindChildControl(int Id) const {
  for (auto& child : FControls) {
    auto* win = dynamic_cast<TWinControl*>(child.get());
    if (!win) continue;
    if (win->FControlId == Id) return win;
    if (TWinControl* found = win->FindChildControl(Id)) return found;
  }
  return nullptr;
}

TWinControl* TWinControl::FindControl(HWND Window) {
  if (!Window) return nullptr;
  TWindowTable& table = Windows();
  std::lock_guard<std::mutex> guard(table.lock);
  const auto found = table.controls.find(Window);
  return found == table.controls.end() ? nullptr : found->second;
}

// --- TWinControl: its state reaching the window ---

bool TWinControl::Showing() const {
  return FHandle ? IsWindowVisible(FHandle) != FALSE : TControl::Showing();
}

void TWinControl::EnabledChanged() {
  if (FHandle) {
    const bool enabled = EnabledWithParents();
    if (!enabled) {
      // A disabled window loses the focus to nobody, which leaves the keyboard dead: the focus goes
      // first to the default button (a button that disables itself after its work, as Apply does,
      // leaves Enter where the user expects it), else to the next control that can take it.
      HWND focus = GetFocus();
      if (focus && (focus == FHandle || IsChild(FHandle, focus))) {
        if (TControlHost* host = Host(); host && host->HostWindow()) {
          const auto outside = [this](HWND w) { return w && w != FHandle && !IsChild(FHandle, w); };
          TWinControl* button = host->FindButton(false);
          HWND next = button && outside(button->Handle())
                          ? button->Handle()
                          : GetNextDlgTabItem(host->HostWindow(), focus, FALSE);
          ::SetFocus(outside(next) && next != focus ? next : host->HostWindow());
        }
      }
    }
    EnableWindow(FHandle, enabled);
  }
  // What sits in it is enabled or not with it: each control's window, look and answers follow.
  for (auto& child : FControls) child->EnabledChanged();
}

void TWinControl::VisibleChanged() {
  TControl::VisibleChanged();
  if (!FHandle) return;
  HWND focus = GetFocus();
  const bool hadFocus = focus && (focus == FHandle || IsChild(FHandle, focus));
  ShowWindow(FHandle, FVisible ? SW_SHOWNA : SW_HIDE);
  // A hidden window must not keep the keyboard focus: it goes to the next control that can take it.
  if (!FVisible && hadFocus) {
    if (TControlHost* host = Host(); host && host->HostWindow()) host->SelectFirst();
  }
}

void TWinControl::TextChanged() {
  TControl::TextChanged();
  if (FHandle) SetWindowTextA(FHandle, FCaption.c_str());
}

// --- Failures of handlers ---

namespace {
TFailureReporter* Reporter = nullptr;
}  // namespace

void SetFailureReporter(TFailureReporter* Value) { Reporter = Value; }

TFailureReporter* FailureReporter() { return Reporter; }

void ReportHandlerFailure() {
  if (Reporter) Reporter->HandleException();
}

// --- TWinControl: messages ---

bool TWinControl::Reflected(UINT Msg, WPARAM wParam, LPARAM, LRESULT& Result) {
  switch (Msg) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      // The control is drawn on its parent's background, not on the system's grey.
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, TextColor(Font().Color()));
      SetBkColor(dc, BackgroundColor());
      Result = reinterpret_cast<LRESULT>(SolidBrushOf(BackgroundColor()));
      return true;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      return DarkFieldColors(reinterpret_cast<HDC>(wParam), Result);
    default:
      return false;
  }
}

bool TWinControl::DarkFieldColors(HDC DC, LRESULT& Result) {
  // A list's field and its open list take the window's colours, which in dark mode the system's
  // controls do not know of; otherwise they stay the system's own.
  if (!DarkMode()) return false;
  SetTextColor(DC, ColorToRGB(clWindowText));
  SetBkColor(DC, ColorToRGB(clWindow));
  Result = reinterpret_cast<LRESULT>(SolidBrushOf(ColorToRGB(clWindow)));
  return true;
}

LRESULT TWinControl::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  // What the system reports to a parent about a child is handed to the child's own wrapper.
  HWND child = nullptr;
  switch (Msg) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      child = reinterpret_cast<HWND>(lParam);
      break;
    case WM_NOTIFY:
      child = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
      break;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlType != ODT_MENU) child = item->hwndItem;
      break;
    }
    case WM_MEASUREITEM: {
      const auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
      if (item->CtlType != ODT_MENU) {
        if (TWinControl* target = FindChildControl(static_cast<int>(item->CtlID))) child = target->FHandle;
      }
      break;
    }
    default:
      break;
  }
  if (child && child != FHandle) {
    LRESULT result = 0;
    if (TWinControl* target = FindControl(child)) {
      if (target->Reflected(Msg, wParam, lParam, result)) return result;
    } else if (Msg == WM_CTLCOLORLISTBOX && DarkFieldColors(reinterpret_cast<HDC>(wParam), result)) {
      // The open list of a drop-down list asks on its own behalf, through the box.
      return result;
    }
  }

  if (Msg == AccessibleActionMessage) {
    AccessibleDefaultAction();
    return 0;
  }
  switch (Msg) {
    case WM_ERASEBKGND:
      if (EraseBackground(reinterpret_cast<HDC>(wParam))) return 1;
      break;
    case WM_PAINT:
    case WM_PRINTCLIENT:
      if (!FSubclassed) {
        PaintHandler(reinterpret_cast<HDC>(wParam));
        return 0;
      }
      break;
    case WM_WINDOWPOSCHANGED: {
      const LRESULT result = DefaultHandler(Msg, wParam, lParam);
      ReadBoundsFromWindow();
      return result;
    }
    case WM_SYSCOLORCHANGE:
      // Another scheme: a system control takes the visual style it asks for (none in high contrast).
      UpdateControlStyle();
      break;
    case WM_SETFOCUS: {
      const LRESULT result = DefaultHandler(Msg, wParam, lParam);
      if (TControlHost* host = Host(); host && FParent) host->FocusMovedTo(this);
      return result;
    }
    case WM_GETOBJECT: {
      LRESULT result = 0;
      if (!FAccessible) FAccessible = std::make_unique<TAccessibleServer>(*this);
      if (FAccessible->Answer(wParam, lParam, result)) return result;
      break;
    }
    case WM_KILLFOCUS: {
      const LRESULT result = DefaultHandler(Msg, wParam, lParam);
      HWND next = reinterpret_cast<HWND>(wParam);
      TWinControl* wrapper = FindControl(next);
      TControlHost* host = Host();
      // A control of the same form that takes the focus reports it itself.
      if (host && FParent && (!wrapper || wrapper->Host() != host)) host->FocusMovedTo(nullptr);
      return result;
    }
    default:
      break;
  }
  return DefaultHandler(Msg, wParam, lParam);
}

void TWinControl::SetAccessibleName(const std::string& Value) {
  if (StoreIfChanged(FAccessibleName, Value)) NotifyAccessibleEvent(FHandle, EVENT_OBJECT_NAMECHANGE);
}

void TWinControl::SetAccessibleDescription(const std::string& Value) {
  if (!StoreIfChanged(FAccessibleDescription, Value)) return;
  NotifyAccessibleEvent(FHandle, EVENT_OBJECT_DESCRIPTIONCHANGE);
  NotifyAccessibleEvent(FHandle, EVENT_OBJECT_HELPCHANGE);
}

void TWinControl::GetAccessibleFacts(TAccessibleFacts& Facts) const {
  Facts.Name = FAccessibleName;
  Facts.Description = FAccessibleDescription;
  Facts.Unavailable = !EnabledWithParents();
}

LRESULT TWinControl::DefaultHandler(UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (FSubclassed) return CallWindowProcW(FSystemProc, FHandle, Msg, wParam, lParam);
  return DefWindowProcA(FHandle, Msg, wParam, lParam);
}

LRESULT TWinControl::Dispatch(TWinControl* Control, HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  // No exception may cross into the system: it ends this handler and is shown to the user.
  try {
    result = Control->WndProc(Msg, wParam, lParam);
  } catch (...) {
    ReportHandlerFailure();
  }
  if (Msg == WM_NCDESTROY) {
    if (Control->FHandle == hwnd) Control->Detach();
    ForgetSystemProc(hwnd);
  }
  return result;
}

LRESULT CALLBACK TWinControl::WindowProc(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (Msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    static_cast<TWinControl*>(create->lpCreateParams)->Attach(hwnd, false);
  }
  auto* control = reinterpret_cast<TWinControl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!control) return DefWindowProcA(hwnd, Msg, wParam, lParam);
  return Dispatch(control, hwnd, Msg, wParam, lParam);
}

LRESULT CALLBACK TWinControl::SubclassProc(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  TWinControl* control = nullptr;
  WNDPROC systemProc = nullptr;
  {
    TWindowTable& table = Windows();
    std::lock_guard<std::mutex> guard(table.lock);
    if (const auto found = table.controls.find(hwnd); found != table.controls.end()) control = found->second;
    if (const auto found = table.systemProcs.find(hwnd); found != table.systemProcs.end())
      systemProc = found->second;
  }
  if (control && control->FHandle == hwnd) return Dispatch(control, hwnd, Msg, wParam, lParam);
  // A window whose wrapper has let it go, with another procedure over ours.
  const LRESULT result = systemProc ? CallWindowProcW(systemProc, hwnd, Msg, wParam, lParam)
                                    : DefWindowProcW(hwnd, Msg, wParam, lParam);
  if (Msg == WM_NCDESTROY) ForgetSystemProc(hwnd);
  return result;
}

}  // namespace px2d
