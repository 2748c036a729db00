#include "Controls.h"

#include "Forms.h"
#include "SysUtils.h"

namespace px2d {

int ScaleToScreen(int designed) {
  static const int dpi = [] {
    HDC dc = GetDC(nullptr);
    const int value = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    return value > 0 ? value : 96;
  }();
  return MulDiv(designed, dpi, 96);
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

void TWinControl::CreateParams(TCreateParams& Params) {
  Params.WinClassName = ClassName();
  Params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
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
  HWND hwnd = CreateWindowExA(params.ExStyle, params.WinClassName.c_str(), FCaption.c_str(),
                              params.Style, params.X, params.Y, params.Width, params.Height,
                              params.WndParent, nullptr, instance, this);
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
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    control->FHandle = nullptr;
  }
  return result;
}

}  // namespace px2d
