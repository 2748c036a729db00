#include "Controls.h"

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <utility>

#include "Forms.h"
#include "Handles.h"
#include "SysUtils.h"

namespace px2d {

namespace {
// The window property that links a window to its wrapper.
const char* const ControlProp = "px2d.Control";
// Control identifiers that the framework gives windows without one of their own: above the
// identifiers of any layout, below the system's own ones.
int NextAutomaticId = 0x7000;

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

// The control whose window is being made by CreateWindowExA on this thread: the creation hook
// attaches it to its window before the window's first message.
thread_local TWinControl* CreatingControl = nullptr;
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

bool IsAccelerator(char Key, const std::string& Caption) {
  const char accelerator = AcceleratorOf(Caption);
  char key[2] = {Key, 0};
  CharLowerBuffA(key, 1);
  return accelerator != 0 && key[0] == accelerator;
}

// --- TControl ---

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FFont(std::make_unique<TFont>()) {
  FFont->SetPixelsPerInch(ScreenPixelsPerInch());
  FFont->KeepsResolution = true;
  FFont->OnChange = [this](TObject*) { FontChangedByUser(); };
}

TForm* TControl::Form() const {
  const TControl* top = this;
  while (top->FParent) top = top->FParent;
  return dynamic_cast<TForm*>(const_cast<TControl*>(top));
}

int TControl::PixelsPerInch() const {
  if (const TForm* form = Form()) return form->PixelsPerInch();
  return ScreenPixelsPerInch();
}

void TControl::FontChangedByUser() {
  if (!FInternalFontChange) FParentFont = false;
  FontChanged();
  if (auto* self = dynamic_cast<TWinControl*>(this)) {
    for (auto& child : self->Controls()) child->ParentFontChanged();
  }
}

void TControl::ParentFontChanged() {
  if (!FParentFont || !FParent) return;
  FInternalFontChange = true;
  FFont->Assign(FParent->Font());
  FInternalFontChange = false;
}

void TControl::SetFont(const TFont& Value) { FFont->Assign(Value); }

void TControl::SetParentFont(bool Value) {
  FParentFont = Value;
  if (Value) ParentFontChanged();
}

void TControl::ResolutionChanged() {
  FInternalFontChange = true;
  FFont->SetPixelsPerInch(PixelsPerInch());
  FInternalFontChange = false;
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

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  FDesign = RECT{ALeft, ATop, ALeft + AWidth, ATop + AHeight};
  if (FParent)
    FParent->PlaceControl(*this);
  else
    UpdateBounds(ALeft, ATop, AWidth, AHeight);
}

void TControl::SetAlign(TAlign Value) {
  if (StoreIfChanged(FAlign, Value)) RequestLayout();
}

void TControl::SetAnchors(TAnchors Value) {
  if (StoreIfChanged(FAnchors, Value)) RequestLayout();
}

void TControl::SetMargins(const TMargins& Value) {
  if (StoreIfChanged(FMargins, Value)) RequestLayout();
}

void TControl::RequestLayout() {
  if (FParent) FParent->PlaceControl(*this);
}

void TControl::UpdateBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
}

bool TControl::Showing() const { return FVisible && (!FParent || FParent->Showing()); }

void TControl::SetEnabled(bool Value) {
  if (StoreIfChanged(FEnabled, Value)) EnabledChanged();
}

bool TControl::EnabledWithParents() const {
  for (const TControl* c = this; c; c = c->FParent)
    if (!c->FEnabled) return false;
  return true;
}

void TControl::SetVisible(bool Value) {
  if (StoreIfChanged(FVisible, Value)) VisibleChanged();
}

void TControl::VisibleChanged() {
  // A control that takes no room when hidden lets the stacked controls below it move up.
  if (FAlign != alNone) RequestLayout();
}

void TControl::SetCaption(const std::string& Value) {
  if (StoreIfChanged(FCaption, Value)) TextChanged();
}

void TControl::TextChanged() {}

// --- TGraphicControl ---

void TGraphicControl::Invalidate() {
  if (!FParent || !FParent->HandleAllocated()) return;
  const RECT r = BoundsRect();
  InvalidateRect(FParent->Handle(), &r, TRUE);
}

void TGraphicControl::UpdateBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  // The parent paints a windowless control: both where it was and where it is now need painting.
  Invalidate();
  TControl::UpdateBounds(ALeft, ATop, AWidth, AHeight);
  Invalidate();
}

void TGraphicControl::VisibleChanged() {
  TControl::VisibleChanged();
  Invalidate();
}

void TGraphicControl::TextChanged() {
  TControl::TextChanged();
  RequestLayout();
  Invalidate();
}

void TGraphicControl::FontChanged() {
  TControl::FontChanged();
  RequestLayout();
  Invalidate();
}

void TGraphicControl::EnabledChanged() {
  TControl::EnabledChanged();
  Invalidate();
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

// --- TWinControl: lifetime and windows ---

TWinControl::~TWinControl() {
  if (TForm* form = Form(); form && form != this) form->ControlDestroyed(this);
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
    control->Attach(reinterpret_cast<HWND>(wParam), true);
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
  SetPropA(hwnd, ControlProp, this);
  if (Subclass) {
    FSubclassed = true;
    SetWindowSubclass(hwnd, &TWinControl::SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
  } else {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
}

void TWinControl::Detach() {
  if (!FHandle) return;
  // The accessible object goes with the window: its clients are told that it is gone.
  FAccessible.reset();
  RemovePropA(FHandle, ControlProp);
  if (FSubclassed)
    RemoveWindowSubclass(FHandle, &TWinControl::SubclassProc, 1);
  else
    SetWindowLongPtrA(FHandle, GWLP_USERDATA, 0);
  FHandle = nullptr;
  FWindowFont.reset();
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
  return Window ? static_cast<TWinControl*>(GetPropA(Window, ControlProp)) : nullptr;
}

// --- TWinControl: layout ---

int TWinControl::ClientWidth() const {
  if (FHandle) {
    RECT r;
    GetClientRect(FHandle, &r);
    return r.right;
  }
  return FWidth;
}

int TWinControl::ClientHeight() const {
  if (FHandle) {
    RECT r;
    GetClientRect(FHandle, &r);
    return r.bottom;
  }
  return FHeight;
}

RECT TWinControl::AnchoredBounds(const TControl& Control) const {
  // Edges are scaled, not sizes, so that controls designed edge to edge stay edge to edge; an edge
  // anchored to the right or bottom keeps its scaled distance from this control's real edge.
  const RECT d = Control.DesignBounds();
  const TAnchors a = Control.Anchors();
  const auto S = [this](int v) { return Scale(v); };
  const int rightGap = ScaledDesignClientWidth() - S(d.right);
  const int bottomGap = ScaledDesignClientHeight() - S(d.bottom);
  const int width = ClientWidth(), height = ClientHeight();
  RECT r{S(d.left), S(d.top), S(d.right), S(d.bottom)};
  if (a & akRight) {
    r.right = width - rightGap;
    if (!(a & akLeft)) r.left = r.right - (S(d.right) - S(d.left));
  }
  if (a & akBottom) {
    r.bottom = height - bottomGap;
    if (!(a & akTop)) r.top = r.bottom - (S(d.bottom) - S(d.top));
  }
  return r;
}

void TWinControl::PlaceControl(TControl& Control) {
  // While a layout is loaded, places are worked out once, when loading ends.
  if (Loading()) return;
  if (Control.Align() != alNone) {
    AlignControls();
    return;
  }
  const RECT r = AnchoredBounds(Control);
  int w = r.right - r.left, h = r.bottom - r.top;
  Control.AdjustSize(w, h);
  Control.UpdateBounds(r.left, r.top, w, h);
}

void TWinControl::AlignControls() {
  if (Loading()) return;
  // Stacked controls: top ones from the top down in their order, bottom ones from the bottom up,
  // then one control takes what is left. Sizes and margins come from the design, so nothing drifts.
  RECT rest{0, 0, ClientWidth(), ClientHeight()};
  const auto place = [&](TControl& c, TAlign align) {
    const RECT d = c.DesignBounds();
    const TMargins& m = c.Margins();
    const int ml = Scale(m.Left), mt = Scale(m.Top), mr = Scale(m.Right), mb = Scale(m.Bottom);
    const int left = rest.left + ml;
    const int width = std::max(0, static_cast<int>(rest.right - rest.left) - ml - mr);
    // An aligned control is as high as designed, wherever the stacking puts it.
    int height = Scale(d.bottom - d.top);
    if (align == alClient) height = std::max(0, static_cast<int>(rest.bottom - rest.top) - mt - mb);
    int adjusted = width;
    c.AdjustSize(adjusted, height);
    if (align == alTop || align == alClient) {
      c.UpdateBounds(left, rest.top + mt, width, height);
      rest.top += mt + height + mb;
    } else {
      c.UpdateBounds(left, rest.bottom - mb - height, width, height);
      rest.bottom -= mt + height + mb;
    }
  };
  for (TAlign align : {alTop, alBottom, alClient}) {
    for (auto& child : FControls) {
      if (child->Align() == align && child->Visible()) place(*child, align);
    }
  }
  for (auto& child : FControls) {
    if (child->Align() == alNone) PlaceControl(*child);
  }
}

void TWinControl::UpdateBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (!FHandle) {
    const bool resized = AWidth != FWidth || AHeight != FHeight;
    TControl::UpdateBounds(ALeft, ATop, AWidth, AHeight);
    if (resized) AlignControls();
    return;
  }
  // The window reports where it ended up (WM_WINDOWPOSCHANGED); a combo box sets its own height.
  SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  ReadBoundsFromWindow();
}

void TWinControl::ReadBoundsFromWindow() {
  if (!FHandle) return;
  RECT r;
  GetWindowRect(FHandle, &r);
  HWND parent = (GetWindowLongPtrA(FHandle, GWL_STYLE) & WS_CHILD) ? GetParent(FHandle) : nullptr;
  if (parent) MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
  const bool resized = r.right - r.left != FWidth || r.bottom - r.top != FHeight;
  TControl::UpdateBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  if (resized) AlignControls();
}

// --- TWinControl: tab order and focus ---

int TWinControl::TabOrder() const {
  if (!FParent) return -1;
  const auto& list = FParent->FTabList;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TWinControl::SetTabOrder(int Value) {
  FTabOrder = Value;
  // While a layout is applied the values arrive in the order of creation: each is kept and the
  // order is settled when loading ends. Otherwise the control moves to its place at once.
  if (!FParent || Loading()) return;
  auto& list = FParent->FTabList;
  list.erase(std::find(list.begin(), list.end(), this));
  const std::size_t at = std::min<std::size_t>(static_cast<std::size_t>(std::max(Value, 0)), list.size());
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), this);
  FParent->ApplyTabOrder();
}

void TWinControl::ApplyTabOrder() {
  for (std::size_t i = 0; i < FTabList.size(); ++i) FTabList[i]->FTabOrder = static_cast<int>(i);
  // The dialog manager walks the children from the top of the z-order down.
  HWND after = HWND_TOP;
  for (TWinControl* child : FTabList) {
    if (!child->FHandle) continue;
    SetWindowPos(child->FHandle, after, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    after = child->FHandle;
  }
}

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

bool TWinControl::CanFocus() const {
  if (!FHandle) return false;
  for (const TWinControl* c = this; c; c = c->FParent) {
    if (!c->FVisible || !c->FEnabled) return false;
  }
  return IsWindowVisible(FHandle) && IsWindowEnabled(FHandle);
}

bool TWinControl::Showing() const {
  return FHandle ? IsWindowVisible(FHandle) != FALSE : TControl::Showing();
}

void TWinControl::SetFocus() {
  if (FHandle) ::SetFocus(FHandle);
}

void TWinControl::SetTabStop(bool Value) {
  if (!StoreIfChanged(FTabStop, Value) || !FHandle) return;
  LONG_PTR style = GetWindowLongPtrA(FHandle, GWL_STYLE);
  style = Value ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
  SetWindowLongPtrA(FHandle, GWL_STYLE, style);
}

void TWinControl::BroadcastFocusChanged(TWinControl* NewFocus) {
  FocusChanged(NewFocus);
  for (auto& child : FControls) {
    if (auto* win = dynamic_cast<TWinControl*>(child.get())) win->BroadcastFocusChanged(NewFocus);
  }
}

bool TWinControl::BroadcastDialogChar(char Key, TShiftState Shift) {
  for (auto& child : FControls) {
    if (!child->Showing() || !child->Enabled()) continue;
    if (child->DialogChar(Key, Shift)) return true;
    if (auto* win = dynamic_cast<TWinControl*>(child.get()); win && win->BroadcastDialogChar(Key, Shift))
      return true;
  }
  return false;
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

// --- TWinControl: colours, fonts, painting ---

void TWinControl::SetColor(TColor Value) {
  const bool wasParentColor = std::exchange(FParentColor, false);
  if (StoreIfChanged(FColor, Value) || wasParentColor) RepaintWithChildren();
}

void TWinControl::SetParentColor(bool Value) {
  if (StoreIfChanged(FParentColor, Value)) RepaintWithChildren();
}

void TWinControl::RepaintWithChildren() {
  // The children that show this control's colour are painted again with it.
  if (FHandle) RedrawWindow(FHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

COLORREF TWinControl::BackgroundColor() const {
  if (FParentColor && FParent) return FParent->BackgroundColor();
  return ColorToRGB(FColor);
}

void TWinControl::SendWindowFont() {
  // Only the system's controls take a font through the window; ours paint with Font() directly.
  if (!FHandle || !FSubclassed) return;
  FWindowFont = Font().Resource();  // kept alive for as long as the window uses it
  SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FWindowFont->Handle()), TRUE);
}

void TWinControl::FontChanged() {
  TControl::FontChanged();
  SendWindowFont();
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

bool TWinControl::EraseBackground(HDC DC) {
  if (FSubclassed) return false;
  RECT rect;
  GetClientRect(FHandle, &rect);
  FillRect(DC, &rect, SolidBrushOf(BackgroundColor()));
  return true;
}

void TWinControl::Invalidate() {
  if (FHandle) InvalidateRect(FHandle, nullptr, TRUE);
}

void TWinControl::Repaint() {
  if (!FHandle) return;
  Invalidate();
  UpdateWindow(FHandle);
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
        if (TForm* form = Form(); form && form->HandleAllocated()) {
          const auto outside = [this](HWND w) { return w && w != FHandle && !IsChild(FHandle, w); };
          TWinControl* button = form->FindButton(false);
          HWND next = button && outside(button->Handle()) ? button->Handle()
                                                          : GetNextDlgTabItem(form->Handle(), focus, FALSE);
          ::SetFocus(outside(next) && next != focus ? next : form->Handle());
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
    if (TForm* form = Form(); form && form->HandleAllocated()) form->SelectFirst();
  }
}

void TWinControl::TextChanged() {
  TControl::TextChanged();
  if (FHandle) SetWindowTextA(FHandle, FCaption.c_str());
}

// --- TWinControl: messages ---

bool TWinControl::Reflected(UINT Msg, WPARAM wParam, LPARAM, LRESULT& Result) {
  switch (Msg) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      // The control is drawn on its parent's background, not on the system's grey.
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, ColorToRGB(Font().Color()));
      SetBkColor(dc, BackgroundColor());
      Result = reinterpret_cast<LRESULT>(SolidBrushOf(BackgroundColor()));
      return true;
    }
    default:
      return false;
  }
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
    if (TWinControl* target = FindControl(child)) {
      LRESULT result = 0;
      if (target->Reflected(Msg, wParam, lParam, result)) return result;
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
    case WM_SETFOCUS: {
      const LRESULT result = DefaultHandler(Msg, wParam, lParam);
      if (TForm* form = Form(); form && form != this) form->FocusMovedTo(this);
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
      TForm* form = Form();
      // A control of the same form that takes the focus reports it itself.
      if (form && form != this && (!wrapper || wrapper->Form() != form)) form->FocusMovedTo(nullptr);
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

void TWinControl::GetAccessibleFacts(TAccessibleFacts& Facts) const { Facts.Name = FAccessibleName; }

LRESULT TWinControl::DefaultHandler(UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (FSubclassed) return DefSubclassProc(FHandle, Msg, wParam, lParam);
  return DefWindowProcA(FHandle, Msg, wParam, lParam);
}

LRESULT TWinControl::Dispatch(TWinControl* Control, HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  // No exception may cross into the system: it ends this handler and is shown to the user.
  try {
    result = Control->WndProc(Msg, wParam, lParam);
  } catch (...) {
    Application.HandleException();
  }
  if (Msg == WM_NCDESTROY && Control->FHandle == hwnd) Control->Detach();
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

LRESULT CALLBACK TWinControl::SubclassProc(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR Data) {
  auto* control = reinterpret_cast<TWinControl*>(Data);
  if (!control || control->FHandle != hwnd) return DefSubclassProc(hwnd, Msg, wParam, lParam);
  return Dispatch(control, hwnd, Msg, wParam, lParam);
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

void TCustomControl::TrackLeave() {
  TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, Handle(), 0};
  TrackMouseEvent(&track);
}

void TCustomControl::HandleMouseUp(TMouseButton Button, WPARAM wParam, LPARAM lParam) {
  MouseRelease(Button, MouseShiftState(wParam), XOf(lParam), YOf(lParam));
}

void TCustomControl::MouseRelease(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) {
    const bool armed = FClickArmed;
    FClickArmed = false;
    // Letting the capture go here is the end of a press, not its loss.
    FReleasing = true;
    if (GetCapture() == Handle()) ReleaseCapture();
    FReleasing = false;
    if (armed && X >= 0 && Y >= 0 && X < FWidth && Y < FHeight) Click();
  }
  MouseUp(Button, Shift, X, Y);
}

LRESULT TCustomControl::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
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
      if (reinterpret_cast<HWND>(lParam) != Handle()) {
        if (!FReleasing) {
          FClickArmed = false;
          CaptureLost();
        }
        // The capture ended the leave tracking; the pointer may have left meanwhile, and then the
        // notification comes at once.
        if (FMouseInControl) TrackLeave();
      }
      break;
    case WM_CANCELMODE:
      // The system ends every mode, a press in progress among them.
      if (GetCapture() == Handle()) ReleaseCapture();
      break;
    case WM_MOUSEMOVE: {
      const int x = XOf(lParam), y = YOf(lParam);
      if (!FMouseInControl && x >= 0 && y >= 0 && x < FWidth && y < FHeight) {
        FMouseInControl = true;
        TrackLeave();
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
    case WM_GETDLGCODE:
      // Characters reach KeyPress; Tab, Enter, Escape and the arrows stay with the dialog unless
      // DialogKey takes them first (the message loop offers them).
      return DLGC_WANTCHARS;
    case WM_CHAR: {
      char key = static_cast<char>(wParam);
      KeyPress(key);
      return 0;
    }
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
  if (StoreIfChanged(FEnabled, Value)) Update();
}

void TTimer::SetInterval(unsigned Value) {
  if (StoreIfChanged(FInterval, Value)) Update();
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
  // Ticks that arrive while a handler runs (its error box has a message loop of its own) are dropped.
  if (timer->FInHandler) return;
  timer->FInHandler = true;
  // The handler may free its own timer.
  const auto alive = [Id, timer] {
    const auto found = Timers().find(Id);
    return found != Timers().end() && found->second == timer;
  };
  // No exception may cross into the system; a failing handler stops its timer and is shown once.
  try {
    if (timer->OnTimer) timer->OnTimer(timer);
    if (alive()) timer->FInHandler = false;
  } catch (...) {
    if (alive()) {
      timer->SetEnabled(false);
      timer->FInHandler = false;
    }
    Application.HandleException();
  }
}

}  // namespace px2d
