#include "Controls.h"

#include <map>

#include "Forms.h"
#include "Handles.h"
#include "SysUtils.h"

namespace px2d {

namespace {
// The window property that links a window to its wrapper.
const char* const ControlProp = "px2d.Control";

TShiftState MouseShiftState(WPARAM wParam) {
  TShiftState shift = 0;
  if (wParam & MK_SHIFT) shift |= ssShift;
  if (wParam & MK_CONTROL) shift |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
  if (wParam & MK_LBUTTON) shift |= ssLeft;
  if (wParam & MK_RBUTTON) shift |= ssRight;
  if (wParam & MK_MBUTTON) shift |= ssMiddle;
  return shift;
}

int XOf(LPARAM lParam) { return static_cast<short>(LOWORD(lParam)); }
int YOf(LPARAM lParam) { return static_cast<short>(HIWORD(lParam)); }
}  // namespace

TShiftState KeyboardShiftState() {
  TShiftState shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
  return shift;
}

char AcceleratorOf(const std::string& Caption) {
  for (std::size_t i = 0; i + 1 < Caption.size(); ++i) {
    if (Caption[i] != '&') continue;
    if (Caption[i + 1] == '&') {
      ++i;
      continue;
    }
    char key[2] = {Caption[i + 1], 0};
    CharLowerBuffA(key, 1);
    return key[0];
  }
  return 0;
}

int ScaleToScreen(int designed) {
  static const int dpi = [] {
    HDC dc = GetDC(nullptr);
    const int value = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    return value > 0 ? value : 96;
  }();
  return MulDiv(designed, dpi, 96);
}

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FFont(std::make_unique<TFont>()) {
  FFont->OnChange = [this](TObject*) { FontChangedByUser(); };
}

void TControl::FontChangedByUser() {
  if (!FFollowingParent) FParentFont = false;
  FontChanged();
  if (auto* self = dynamic_cast<TWinControl*>(this)) {
    for (auto& child : self->Controls()) child->ParentFontChanged();
  }
}

void TControl::ParentFontChanged() {
  if (!FParentFont || !FParent) return;
  FFollowingParent = true;
  FFont->Assign(FParent->Font());
  FFollowingParent = false;
}

void TControl::SetParentFont(bool Value) {
  FParentFont = Value;
  if (Value) ParentFontChanged();
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TGraphicControl::Invalidate() {
  if (!FParent || !FParent->HandleAllocated()) return;
  const RECT r = BoundsRect();
  InvalidateRect(FParent->Handle(), &r, FALSE);
}

void TGraphicControl::PaintOn(TCanvas& ParentCanvas) {
  HDC dc = ParentCanvas.Handle();
  TSavedDC saved(dc);
  POINT origin;
  GetViewportOrgEx(dc, &origin);
  IntersectClipRect(dc, FLeft, FTop, FLeft + FWidth, FTop + FHeight);
  SetViewportOrgEx(dc, origin.x + FLeft, origin.y + FTop, nullptr);
  TCanvas canvas;
  canvas.Font().Assign(Font());
  canvas.SetHandle(dc);
  FCanvas = &canvas;
  struct TReset {
    TCanvas*& p;
    ~TReset() { p = nullptr; }
  } reset{FCanvas};
  Paint();
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
}

void TControl::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  EnabledChanged();
}

void TControl::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  VisibleChanged();
}

void TControl::SetCaption(const std::string& Value) {
  if (FCaption == Value) return;
  FCaption = Value;
  TextChanged();
}

TWinControl::~TWinControl() {
  // Children first: their windows go before ours, each with its own wrapper still alive.
  while (!FControls.empty()) FControls.pop_back();
  DestroyHandle();
}

void TWinControl::BeginLoading() {
  TControl::BeginLoading();
  for (auto& child : FControls) child->BeginLoading();
}

void TWinControl::EndLoading() {
  if (!Loading()) return;
  TControl::EndLoading();
  for (auto& child : FControls) child->EndLoading();
}

void TWinControl::ControlInserted(TControl& Control) {
  Control.FParent = this;
  Control.ParentFontChanged();
  // A control inserted while a layout is applied is loaded with it.
  if (Loading()) Control.BeginLoading();
}

void TWinControl::CreateParams(TCreateParams& Params) {
  Params.WinClassName = ClassName();
  Params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  if (FTabStop) Params.Style |= WS_TABSTOP;
  if (FVisible) Params.Style |= WS_VISIBLE;
  if (!FEnabled) Params.Style |= WS_DISABLED;
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

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  HINSTANCE instance = GetModuleHandleA(nullptr);
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
  HWND hwnd =
      CreateWindowExA(params.ExStyle, params.WinClassName.c_str(), FCaption.c_str(), params.Style, params.X,
                      params.Y, params.Width, params.Height, params.WndParent, nullptr, instance, this);
  if (!hwnd) RaiseLastOSError();
  FHandle = hwnd;
  for (auto& child : FControls) {
    if (auto* win = dynamic_cast<TWinControl*>(child.get())) win->HandleNeeded();
  }
}

void TWinControl::DestroyHandle() {
  if (FHandle) DestroyWindow(FHandle);
  FHandle = nullptr;
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (FHandle) MoveWindow(FHandle, ALeft, ATop, AWidth, AHeight, TRUE);
}

void TWinControl::Invalidate() {
  if (FHandle) InvalidateRect(FHandle, nullptr, FALSE);
}

void TWinControl::Repaint() {
  if (!FHandle) return;
  InvalidateRect(FHandle, nullptr, FALSE);
  UpdateWindow(FHandle);
}

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

bool TWinControl::CanFocus() const {
  if (!FHandle) return false;
  for (const TWinControl* c = this; c; c = c->FParent) {
    if (!c->FVisible || !c->FEnabled) return false;
  }
  return IsWindowVisible(FHandle) && IsWindowEnabled(FHandle);
}

void TWinControl::SetFocus() {
  if (FHandle) ::SetFocus(FHandle);
}

void TWinControl::SetTabStop(bool Value) {
  if (FTabStop == Value) return;
  FTabStop = Value;
  if (!FHandle) return;
  LONG_PTR style = GetWindowLongPtrA(FHandle, GWL_STYLE);
  style = Value ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
  SetWindowLongPtrA(FHandle, GWL_STYLE, style);
}

TWinControl* TWinControl::FindControl(HWND Window) {
  return Window ? static_cast<TWinControl*>(GetPropA(Window, ControlProp)) : nullptr;
}

void TWinControl::BroadcastFocusChanged(TWinControl* NewFocus) {
  FocusChanged(NewFocus);
  for (auto& child : FControls) {
    if (auto* win = dynamic_cast<TWinControl*>(child.get())) win->BroadcastFocusChanged(NewFocus);
  }
}

bool TWinControl::BroadcastDialogChar(char Key, TShiftState Shift) {
  for (auto& child : FControls) {
    auto* win = dynamic_cast<TWinControl*>(child.get());
    if (!win) continue;
    if (win->DialogChar(Key, Shift) || win->BroadcastDialogChar(Key, Shift)) return true;
  }
  return false;
}

void TWinControl::PaintControls(HDC DC) {
  TCanvas canvas;
  canvas.SetHandle(DC);
  for (auto& child : FControls) {
    if (!child->IsWindowed() && child->Visible() && child->Width() > 0 && child->Height() > 0)
      child->PaintOn(canvas);
  }
}

void TWinControl::PaintTo(HDC DC) {
  if (!FHandle) return;
  SendMessageA(FHandle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
  SendMessageA(FHandle, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(DC), PRF_CLIENT);
}

void TWinControl::PaintHandler(HDC DC) {
  if (DC) {
    PaintWindow(DC);
    PaintControls(DC);
    return;
  }
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(FHandle, &ps);
  struct TEnd {
    HWND h;
    PAINTSTRUCT* ps;
    ~TEnd() { EndPaint(h, ps); }
  } end{FHandle, &ps};
  RECT client;
  GetClientRect(FHandle, &client);
  if (DoubleBuffered && client.right > 0 && client.bottom > 0) {
    TDibSurface buffer(client.right, client.bottom);
    SendMessageA(FHandle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(buffer.DC()), 0);
    PaintWindow(buffer.DC());
    PaintControls(buffer.DC());
    BitBlt(dc, 0, 0, client.right, client.bottom, buffer.DC(), 0, 0, SRCCOPY);
  } else {
    PaintWindow(dc);
    PaintControls(dc);
  }
}

void TWinControl::EnabledChanged() {
  if (FHandle) EnableWindow(FHandle, FEnabled);
}

void TWinControl::VisibleChanged() {
  if (FHandle) ShowWindow(FHandle, FVisible ? SW_SHOW : SW_HIDE);
}

void TWinControl::TextChanged() {
  if (FHandle) SetWindowTextA(FHandle, FCaption.c_str());
}

LRESULT TWinControl::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  return DefaultHandler(Msg, wParam, lParam);
}

LRESULT TWinControl::DefaultHandler(UINT Msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(FHandle, Msg, wParam, lParam);
}

LRESULT CALLBACK TWinControl::WindowProc(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (Msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    auto* control = static_cast<TWinControl*>(create->lpCreateParams);
    control->FHandle = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
    SetPropA(hwnd, ControlProp, control);
  }
  auto* control = reinterpret_cast<TWinControl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!control) return DefWindowProcA(hwnd, Msg, wParam, lParam);
  LRESULT result = 0;
  // No exception may cross into the system: it ends this handler and is shown to the user.
  try {
    result = control->WndProc(Msg, wParam, lParam);
  } catch (const std::exception& e) {
    Application.HandleException(e);
  }
  if (Msg == WM_NCDESTROY) {
    RemovePropA(hwnd, ControlProp);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    control->FHandle = nullptr;
  }
  return result;
}

// --- TCustomControl ---

void TCustomControl::PaintWindow(HDC DC) {
  FCanvas.SetHandle(DC);
  FCanvas.Font().Assign(Font());
  struct TRelease {
    TCanvas& c;
    ~TRelease() { c.SetHandle(nullptr); }
  } release{FCanvas};
  Paint();
}

void TCustomControl::PaintParentUnder(HDC DC) {
  if (!FParent || !FParent->HandleAllocated()) return;
  TSavedDC saved(DC);
  IntersectClipRect(DC, 0, 0, FWidth, FHeight);
  POINT origin;
  GetViewportOrgEx(DC, &origin);
  SetViewportOrgEx(DC, origin.x - FLeft, origin.y - FTop, nullptr);
  FParent->PaintTo(DC);
}

void TCustomControl::KeyPress(char& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

void TCustomControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TCustomControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TCustomControl::HandleMouseDown(TMouseButton Button, WPARAM wParam, LPARAM lParam, bool Double) {
  TShiftState shift = MouseShiftState(wParam);
  if (Double) shift |= ssDouble;
  if (Button == mbLeft) {
    SetCapture(Handle());
    // A click follows only a single press that is released over the control.
    FClickArmed = !Double;
    if (Double) DblClick();
  }
  MouseDown(Button, shift, XOf(lParam), YOf(lParam));
}

void TCustomControl::HandleMouseUp(TMouseButton Button, WPARAM wParam, LPARAM lParam) {
  MouseRelease(Button, MouseShiftState(wParam), XOf(lParam), YOf(lParam));
}

void TCustomControl::MouseRelease(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) {
    const bool armed = FClickArmed;
    FClickArmed = false;
    if (GetCapture() == Handle()) ReleaseCapture();
    if (armed && X >= 0 && Y >= 0 && X < FWidth && Y < FHeight) Click();
  }
  MouseUp(Button, Shift, X, Y);
}

LRESULT TCustomControl::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
    case WM_PAINT:
      PaintHandler(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_PRINTCLIENT:
      PaintHandler(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_ERASEBKGND:
      if (EraseBackground(reinterpret_cast<HDC>(wParam))) return 1;
      break;
    case WM_LBUTTONDOWN:
      HandleMouseDown(mbLeft, wParam, lParam, false);
      return 0;
    case WM_LBUTTONDBLCLK:
      HandleMouseDown(mbLeft, wParam, lParam, true);
      return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      HandleMouseDown(mbRight, wParam, lParam, Msg == WM_RBUTTONDBLCLK);
      return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      HandleMouseDown(mbMiddle, wParam, lParam, Msg == WM_MBUTTONDBLCLK);
      return 0;
    case WM_LBUTTONUP:
      HandleMouseUp(mbLeft, wParam, lParam);
      return 0;
    case WM_RBUTTONUP:
      HandleMouseUp(mbRight, wParam, lParam);
      return 0;
    case WM_MBUTTONUP:
      HandleMouseUp(mbMiddle, wParam, lParam);
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != Handle()) FClickArmed = false;
      break;
    case WM_MOUSEMOVE: {
      const int x = XOf(lParam), y = YOf(lParam);
      if (!FMouseInControl && x >= 0 && y >= 0 && x < FWidth && y < FHeight) {
        FMouseInControl = true;
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, Handle(), 0};
        TrackMouseEvent(&track);
        MouseEnter();
      }
      MouseMove(MouseShiftState(wParam), x, y);
      return 0;
    }
    case WM_MOUSELEAVE:
      if (FMouseInControl) {
        FMouseInControl = false;
        MouseLeave();
      }
      return 0;
    case WM_SETFOCUS: {
      HWND top = GetAncestor(Handle(), GA_ROOT);
      if (TWinControl* form = FindControl(top)) form->BroadcastFocusChanged(this);
      DoEnter();
      break;
    }
    case WM_KILLFOCUS: {
      DoExit();
      HWND top = GetAncestor(Handle(), GA_ROOT);
      TWinControl* next = FindControl(reinterpret_cast<HWND>(wParam));
      if (GetAncestor(reinterpret_cast<HWND>(wParam), GA_ROOT) != top) next = nullptr;
      if (!next || !dynamic_cast<TCustomControl*>(next)) {
        if (TWinControl* form = FindControl(top)) form->BroadcastFocusChanged(next);
      }
      break;
    }
    case WM_GETDLGCODE: {
      // Enter reaches a focused control as a dialog key rather than pressing the default button.
      const auto* msg = reinterpret_cast<const MSG*>(lParam);
      LRESULT code = DLGC_WANTCHARS;
      if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) code |= DLGC_WANTMESSAGE;
      return code;
    }
    case WM_KEYDOWN:
      if ((wParam == VK_RETURN || wParam == VK_ESCAPE) &&
          DialogKey(static_cast<WORD>(wParam), KeyboardShiftState()))
        return 0;
      break;
    case WM_CHAR: {
      char key = static_cast<char>(wParam);
      KeyPress(key);
      return 0;
    }
    case WM_SYSCHAR:
      if (TWinControl* form = FindControl(GetAncestor(Handle(), GA_ROOT))) {
        if (form->BroadcastDialogChar(static_cast<char>(wParam), KeyboardShiftState() | ssAlt)) return 0;
      }
      break;
    default:
      break;
  }
  return TWinControl::WndProc(Msg, wParam, lParam);
}

// --- TTimer ---

namespace {
std::map<UINT_PTR, TTimer*>& Timers() {
  static std::map<UINT_PTR, TTimer*> timers;
  return timers;
}
}  // namespace

TTimer::~TTimer() {
  FEnabled = false;
  Update();
}

void TTimer::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  Update();
}

void TTimer::SetInterval(unsigned Value) {
  if (FInterval == Value) return;
  FInterval = Value;
  Update();
}

void TTimer::Update() {
  if (FId) {
    KillTimer(nullptr, FId);
    Timers().erase(FId);
    FId = 0;
  }
  if (FEnabled && FInterval > 0) {
    FId = SetTimer(nullptr, 0, FInterval, &TTimer::TimerProc);
    if (FId) Timers()[FId] = this;
  }
}

void CALLBACK TTimer::TimerProc(HWND, UINT, UINT_PTR Id, DWORD) {
  const auto it = Timers().find(Id);
  if (it == Timers().end()) return;
  TTimer* timer = it->second;
  // No exception may cross into the system.
  try {
    if (timer->OnTimer) timer->OnTimer(timer);
  } catch (const std::exception& e) {
    Application.HandleException(e);
  }
}

}  // namespace px2d
