#include "GlassButton.h"

#include <oleacc.h>

#include <algorithm>
#include <vector>

#include "framework/Handles.h"
#include "framework/SysUtils.h"

namespace px2d {

// --- Actions ---

void TCustomAction::SetChecked(bool Value) {
  if (!StoreIfChanged(FChecked, Value)) return;
  for (TGlassButtonActionLink* link : std::vector<TGlassButtonActionLink*>(FLinks)) link->CheckedChanged();
}

void TCustomAction::SetGroupIndex(int Value) {
  if (!StoreIfChanged(FGroupIndex, Value)) return;
  for (TGlassButtonActionLink* link : std::vector<TGlassButtonActionLink*>(FLinks)) link->GroupIndexChanged();
}

void TCustomAction::Execute() {
  if (OnExecute) OnExecute(this);
}

TCustomAction::~TCustomAction() {
  // The buttons that follow this action let go of it before it goes.
  while (!FLinks.empty()) FLinks.back()->FClient.SetAction(nullptr);
}

TGlassButtonActionLink::TGlassButtonActionLink(TCustomGlassButton& Client, TCustomAction& Action)
    : FClient(Client), FAction(Action) {
  FAction.FLinks.push_back(this);
}

TGlassButtonActionLink::~TGlassButtonActionLink() {
  auto& links = FAction.FLinks;
  links.erase(std::remove(links.begin(), links.end(), this), links.end());
}

void TGlassButtonActionLink::CheckedChanged() { FClient.SetDown(FAction.Checked()); }

void TGlassButtonActionLink::GroupIndexChanged() { FClient.SetGroupIndex(FAction.GroupIndex()); }

// --- Construction ---

TCustomGlassButton::TCustomGlassButton(TComponent* AOwner) : TCustomControl(AOwner) {
  FPicture.OnChange = [this](TObject*) { Invalidate(); };
  FPictureDisabled.OnChange = [this](TObject*) { Invalidate(); };
  SetBounds(0, 0, 100, 32);
  SetParentFont(true);
  Font().SetName("Tahoma");
  ShowHint = false;
}

TCustomGlassButton::~TCustomGlassButton() {
  FHintWindow.reset();
  FActionLink.reset();
}

// --- Properties ---

void TCustomGlassButton::SetAllowAllUp(bool Value) {
  if (StoreIfChanged(FAllowAllUp, Value)) NotifyGroup();
}

void TCustomGlassButton::SetGroupIndex(int Value) {
  if (StoreIfChanged(FGroupIndex, Value)) NotifyGroup();
}

void TCustomGlassButton::SetCornerRadius(int Value) {
  if (Value >= 0 && StoreIfChanged(FCornerRadius, Value)) Invalidate();
}

void TCustomGlassButton::SetPicture(const TGDIPPicture* Value) {
  FPicture.Assign(Value);
  Invalidate();
}

void TCustomGlassButton::SetPictureDisabled(const TGDIPPicture* Value) {
  FPictureDisabled.Assign(Value);
  Invalidate();
}

std::string TCustomGlassButton::Version() const {
  const std::uint32_t v = VersionNumber();
  return Format("%u.%u.%u.%u", (v >> 24) & 0xFF, (v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

void TCustomGlassButton::SetAction(TCustomAction* Value) {
  FActionLink.reset();
  if (!Value) return;
  FActionLink = std::make_unique<TGlassButtonActionLink>(*this, *Value);
  // Defaults come from the action: its group, then its check mark.
  if (FGroupIndex == 0) SetGroupIndex(Value->GroupIndex());
  SetDown(Value->Checked());
}

void TCustomGlassButton::SetDown(bool Value) {
  if (Loading()) FInitialDown = Value;
  if (FGroupIndex == 0 && FStyle == tasButton) Value = false;
  if (FStyle == tasCheck) {
    const bool changed = Value != FDown;
    FDown = Value;
    FState = Value ? gvsPressed : gvsUp;
    RepaintState();
    if (changed) DownChanged();
    return;
  }
  if (Value == FDown) return;
  // A down member of a group is raised only by another member going down, unless all may be up.
  if (FDown && !FAllowAllUp) return;
  FDown = Value;
  if (Value) {
    if (FState == gvsUp) InvalidateState();
    FState = gvsLatched;
  } else {
    FState = gvsUp;
    RepaintState();
  }
  if (Value) NotifyGroup();
  DownChanged();
}

void TCustomGlassButton::DownChanged() {
  NotifyAccessibleEvent(Handle(), EVENT_OBJECT_STATECHANGE);
  if (FDown && FGroupIndex != 0) NotifyAccessibleEvent(Handle(), EVENT_OBJECT_SELECTION);
}

void TCustomGlassButton::Loaded() {
  TCustomControl::Loaded();
  // Down is stored before GroupIndex, so a stored Down = True takes effect only now.
  if (FInitialDown != FDown) SetDown(FInitialDown);
}

// --- Group logic ---

void TCustomGlassButton::NotifyGroup() {
  if (FGroupIndex == 0 || !Parent()) return;
  for (auto& child : Parent()->Controls()) {
    if (auto* button = dynamic_cast<TCustomGlassButton*>(child.get()))
      button->GroupNotification(FGroupIndex, *this);
  }
}

void TCustomGlassButton::GroupNotification(int AGroupIndex, TCustomGlassButton& Sender) {
  if (AGroupIndex != FGroupIndex || &Sender == this) return;
  if (Sender.Down() && FDown) {
    FDown = false;
    FState = gvsUp;
    if (FActionLink) FActionLink->Action().FChecked = false;
    InvalidateState();
    DownChanged();
  }
  FAllowAllUp = Sender.AllowAllUp();
}

// --- Mouse ---

void TCustomGlassButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || !EnabledWithParents()) return;
  FMouseDown = true;
  if (!FDown) {
    FState = gvsPressed;
    InvalidateState();
  }
  if (FStyle == tasCheck) {
    FState = gvsPressed;
    RepaintState();
  }
  if (TabStop()) SetFocus();
  FDragging = true;
}

void TCustomGlassButton::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomControl::MouseMove(Shift, X, Y);
  if (FDragging) {
    TGlassVisualState next = FDown ? gvsLatched : gvsUp;
    if (PointInClient(X, Y)) next = FDown ? gvsLatched : gvsPressed;
    if (FStyle == tasCheck && FDown) next = gvsPressed;
    if (next != FState) {
      FState = next;
      InvalidateState();
    }
  } else if (!FHot) {
    RecheckHover();
  }
}

void TCustomGlassButton::MouseRelease(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button != mbLeft) {
    TCustomControl::MouseRelease(Button, Shift, X, Y);
    return;
  }
  FMouseDown = false;
  InvalidateState();
  if (FDragging) {
    FDragging = false;
    const bool inside = PointInClient(X, Y);
    if (FGroupIndex != 0) {
      if (inside) {
        SetDown(!FDown);
        if (FDown) RepaintState();
      } else {
        // Released outside: the press leaves no trace, whether or not a move took the pointer out first.
        FState = FDown ? gvsLatched : gvsUp;
        RepaintState();
      }
    } else {
      FState = gvsUp;
      FHot = false;
      if (FStyle == tasCheck) {
        SetDown(!FDown);
        FState = gvsUp;
      }
      if (inside) InvalidateState();
    }
    RecheckHover();
  }
  TCustomControl::MouseRelease(Button, Shift, X, Y);
  InvalidateState();
}

// --- Hover ---

void TCustomGlassButton::HoverEntered() {
  FHot = true;
  // The pointer may be found over the button again (after a press) without having left it: the
  // events only ever alternate, enter, leave, enter. The platform's leave notification ends the
  // hover; nothing polls the pointer while it rests on the button.
  if (FEnterRaised) return;
  FEnterRaised = true;
  if (OnMouseEnter) OnMouseEnter(this);
}

void TCustomGlassButton::HoverLeft() {
  FHot = false;
  if (!FEnterRaised) return;
  FEnterRaised = false;
  if (OnMouseLeave) OnMouseLeave(this);
}

void TCustomGlassButton::CaptureLost() {
  // A press ended without its release (a message box, a switch to another program): the glow and
  // the pressed look go, Down stays as it was, and no click follows.
  if (!FMouseDown && !FDragging) return;
  FMouseDown = false;
  FDragging = false;
  FState = FDown ? gvsLatched : gvsUp;
  RepaintState();
}

void TCustomGlassButton::MouseEnter() { HoverEntered(); }

void TCustomGlassButton::MouseLeave() { HoverLeft(); }

void TCustomGlassButton::RecheckHover() {
  if (!EnabledWithParents() || !HandleAllocated()) return;
  POINT p;
  if (!GetCursorPos(&p)) return;
  // The topmost window under the pointer, disabled ones included.
  HWND hit = WindowFromPoint(p);
  for (HWND child = hit; child;) {
    POINT local = p;
    ScreenToClient(child, &local);
    HWND deeper = ChildWindowFromPointEx(child, local, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    if (!deeper || deeper == child) break;
    hit = child = deeper;
  }
  if (hit == Handle())
    HoverEntered();
  else
    HoverLeft();
}

// --- Keyboard and focus ---

void TCustomGlassButton::KeyPress(char& Key) {
  TCustomControl::KeyPress(Key);
  if (Key == ' ') Click();
}

bool TCustomGlassButton::DialogKey(WORD Key, TShiftState Shift) {
  if (Key == VK_RETURN && FFocused && !(Shift & (ssShift | ssCtrl | ssAlt)) && CanFocus()) {
    Click();
    return true;
  }
  return TCustomControl::DialogKey(Key, Shift);
}

bool TCustomGlassButton::DialogChar(char Key, TShiftState Shift) {
  if (IsAccelerator(Key, Caption()) && CanFocus()) {
    Click();
    return true;
  }
  return TCustomControl::DialogChar(Key, Shift);
}

void TCustomGlassButton::Click() {
  if (FActionLink && !OnClick)
    FActionLink->Action().Execute();
  else
    TCustomControl::Click();
}

void TCustomGlassButton::GetAccessibleFacts(TAccessibleFacts& Facts) const {
  TCustomControl::GetAccessibleFacts(Facts);
  if (Facts.Name.empty()) Facts.Name = AccessibleText(Caption());
  if (FGroupIndex != 0) {
    Facts.Role = ROLE_SYSTEM_PAGETAB;
    Facts.State = STATE_SYSTEM_SELECTABLE | (FDown ? STATE_SYSTEM_SELECTED : 0);
    Facts.DefaultAction = "Switch";
  } else {
    Facts.Role = ROLE_SYSTEM_PUSHBUTTON;
    Facts.State = FStyle == tasCheck && FDown ? STATE_SYSTEM_PRESSED : 0;
    Facts.DefaultAction = "Press";
  }
  // Only a tab stop takes the focus, from the keyboard or the mouse.
  if (!TabStop()) Facts.StateRemoved = STATE_SYSTEM_FOCUSABLE;
}

void TCustomGlassButton::AccessibleDefaultAction() {
  // A disabled button ignores the request as it ignores the mouse.
  if (!EnabledWithParents()) return;
  if (FGroupIndex != 0 || FStyle == tasCheck) SetDown(!FDown);
  Click();
}

void TCustomGlassButton::DoEnter() {
  TCustomControl::DoEnter();
  InvalidateState();
}

void TCustomGlassButton::DoExit() {
  TCustomControl::DoExit();
  InvalidateState();
}

void TCustomGlassButton::FocusChanged(TWinControl* NewFocus) {
  TCustomControl::FocusChanged(NewFocus);
  FFocused = NewFocus == this;
}

void TCustomGlassButton::EnabledChanged() {
  TCustomControl::EnabledChanged();
  InvalidateState();
  // A press cannot go on in a disabled button.
  if (!EnabledWithParents()) CaptureLost();
}

void TCustomGlassButton::FontChanged() {
  TCustomControl::FontChanged();
  Invalidate();
}

void TCustomGlassButton::TextChanged() {
  TCustomControl::TextChanged();
  Invalidate();
}

// --- Short-cut hint ---

LRESULT TCustomGlassButton::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (Msg == WM_PX2D_HINTSHOW && wParam == ShortCutHintMarker) ShowShortCutHint(lParam == 1);
  // A face drawn in the scheme's colours is drawn again in the new ones.
  if (Msg == WM_SYSCOLORCHANGE) Invalidate();
  return TCustomControl::WndProc(Msg, wParam, lParam);
}

void TCustomGlassButton::ShowShortCutHint(bool Show) {
  if (!Show) {
    FHintWindow.reset();
    return;
  }
  if (!FHintWindow) {
    FHintWindow = std::make_unique<TShortCutHintWindow>();
    FHintWindow->OwnerWindow = Parent() && Parent()->HandleAllocated() ? Parent()->Handle() : nullptr;
  }
  FHintWindow->SetHintText(FShortCutHint);
  RECT r;
  GetWindowRect(Handle(), &r);
  const int hw = FHintWindow->Width(), hh = FHintWindow->Height();
  int x = FHintWindow->Left(), y = FHintWindow->Top();
  const int cx = r.left + (r.right - r.left - hw) / 2, cy = r.top + (r.bottom - r.top - hh) / 2;
  switch (FShortCutHintPos) {
    case shpLeft:
      x = r.left - hw / 2, y = cy;
      break;
    case shpTop:
      x = cx, y = r.top - hh / 2;
      break;
    case shpRight:
      x = r.right - hw / 2, y = cy;
      break;
    case shpBottom:
      x = cx, y = r.bottom - hh / 2;
      break;
    default:
      break;
  }
  FHintWindow->ShowAt(x, y);
}

// --- Painting ---

void TCustomGlassButton::Paint() {
  if (!EnabledWithParents()) {
    FState = gvsDisabled;
    FDragging = false;
  } else if (FState == gvsDisabled) {
    FState = FDown && FGroupIndex != 0 ? gvsLatched : gvsUp;
  }
  if (FStyle == tasCheck && FDown) FState = gvsPressed;

  HDC dc = Canvas().Handle();
  PaintParentUnder(dc);

  if (FForceTransparent && Parent()) {
    const RECT mine = BoundsRect();
    for (auto& child : Parent()->Controls()) {
      auto* sibling = dynamic_cast<TCustomGlassButton*>(child.get());
      if (!sibling || sibling == this || !sibling->Visible()) continue;
      RECT theirs = sibling->BoundsRect(), overlap;
      if (!IntersectRect(&overlap, &mine, &theirs)) continue;
      const int w = overlap.right - overlap.left, h = overlap.bottom - overlap.top;
      TDibSurface part(w, h);
      const int sx = overlap.left - Left(), sy = overlap.top - Top();
      BitBlt(part.DC(), 0, 0, w, h, dc, sx, sy, SRCCOPY);
      {
        TSavedDC saved(part.DC());
        SetViewportOrgEx(part.DC(), theirs.left - overlap.left, theirs.top - overlap.top, nullptr);
        TCanvas canvas;
        canvas.SetHandle(part.DC());
        canvas.Font().Assign(sibling->Font());
        sibling->DrawGlassButton(canvas);
        canvas.SetHandle(nullptr);
      }
      BitBlt(dc, sx, sy, w, h, part.DC(), 0, 0, SRCCOPY);
    }
    DrawGlassButton(Canvas());
    return;
  }
  DrawThroughFaceCache(dc);
}

namespace {
// The pixels of a 32-bit device-independent bitmap of exactly this size selected into the device
// context at its own origin, as the double-buffered paint draws into; null for anything else.
std::uint32_t* SurfaceBits(HDC dc, int Width, int Height) {
  DIBSECTION section{};
  auto* bitmap = static_cast<HBITMAP>(GetCurrentObject(dc, OBJ_BITMAP));
  if (!bitmap || GetObjectA(bitmap, sizeof section, &section) != sizeof section) return nullptr;
  POINT origin{};
  GetViewportOrgEx(dc, &origin);
  // Whichever way its rows run: the pixels are only compared and put back, never addressed.
  if (section.dsBm.bmBitsPixel != 32 || section.dsBm.bmWidth != Width || section.dsBm.bmHeight != Height ||
      origin.x != 0 || origin.y != 0 || !section.dsBm.bmBits)
    return nullptr;
  return static_cast<std::uint32_t*>(section.dsBm.bmBits);
}
}  // namespace

void TCustomGlassButton::DrawThroughFaceCache(HDC dc) {
  // What lies beneath and the button's own state decide the picture: while both stay as they were
  // when it was last drawn, the same pixels are put back instead of drawing them again.
  TFaceKey key{FState,
               FDown,
               FMouseDown,
               FHot,
               EnabledWithParents(),
               HandleAllocated() && GetFocus() == Handle(),
               HighContrast(),
               Width(),
               Height()};
  std::uint32_t* bits = SurfaceBits(dc, Width(), Height());
  if (!bits) {
    DrawGlassButton(Canvas());
    return;
  }
  GdiFlush();
  const std::size_t count = static_cast<std::size_t>(Width()) * static_cast<std::size_t>(Height());
  if (!std::equal(bits, bits + count, FFaceUnder.begin(), FFaceUnder.end())) {
    FFaces.clear();
    FFaceUnder.assign(bits, bits + count);
  }
  const auto kept = std::find_if(FFaces.begin(), FFaces.end(), [&](const TFace& f) {
    return f.Key == key && f.PictureDown == FPictureDown.Data();
  });
  if (kept != FFaces.end()) {
    std::copy(kept->Drawn.begin(), kept->Drawn.end(), bits);
    std::rotate(FFaces.begin(), kept, kept + 1);
    return;
  }
  DrawGlassButton(Canvas());
  GdiFlush();
  if (FFaces.size() == MaxFaces) FFaces.pop_back();
  FFaces.insert(FFaces.begin(),
                TFace{key, FPictureDown.Data(), std::vector<std::uint32_t>(bits, bits + count)});
}

void TCustomGlassButton::Invalidate() {
  FFaces.clear();
  TCustomControl::Invalidate();
}

void TCustomGlassButton::InvalidateState() { TCustomControl::Invalidate(); }

void TCustomGlassButton::RepaintState() {
  if (!HandleAllocated()) return;
  InvalidateState();
  UpdateWindow(Handle());
}

int TCustomGlassButton::CornerRadiusAtResolution() const {
  return ScaleBy(FCornerRadius, Font().PixelsPerInch());
}

bool TCustomGlassButton::ShowsDown() const {
  return FMouseDown || FDown || FState == gvsPressed || FState == gvsLatched;
}

void TCustomGlassButton::DrawGlassButton(TCanvas& Canvas) {
  TGDIPPicture* picture = &FPicture;
  if (!EnabledWithParents() && !FPictureDisabled.Empty())
    picture = &FPictureDisabled;
  else if (((FMouseDown && FHot) || FDown) && !FPictureDown.Empty())
    picture = &FPictureDown;
  // In a high-contrast scheme the caption takes the scheme's text colour for its face.
  TFont caption;
  caption.Assign(Font());
  if (HighContrast()) caption.SetColor(ShowsDown() ? clHighlightText : clBtnText);
  TGlassFace face;
  face.Width = Width();
  face.Height = Height();
  face.Shape = FButtonShape;
  face.Direction = FButtonDirection;
  face.CornerRadius = CornerRadiusAtResolution();
  face.BackColor = FBackColor;
  face.GlowColor = FGlowColor;
  face.ShineColor = FShineColor;
  face.SymbolColor = FBackGroundSymbolColor;
  face.OuterBorderColor = FOuterBorderColor;
  face.InnerBorderColor = FInnerBorderColor;
  face.Symbol = FBackGroundSymbol;
  face.Down = ShowsDown();
  face.HighContrast = HighContrast();
  face.Enabled = EnabledWithParents();
  face.Focused = HandleAllocated() && GetFocus() == Handle() && FShowFocusRect;
  face.Caption = Caption();
  face.ShowCaption = FShowCaption;
  face.Font = &caption;
  face.Picture = picture;
  face.Layout = FLayout;
  face.AntiAlias = FAntiAlias;
  DrawGlassFace(Canvas, face);
}

}  // namespace px2d
