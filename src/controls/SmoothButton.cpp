#include "SmoothButton.h"

#include <algorithm>
#include <vector>

#include <oleacc.h>

namespace px2d {

// --- property groups ---

TGDIPButton::TGDIPButton() {
  FFont.OnChange = [this](TObject*) { Changed(); };
}

void TGDIPButton::Assign(const TGDIPButton& Source) {
  if (&Source == this) return;
  FFont.Assign(Source.FFont);
  SetLayout(Source.FLayout);
  SetSpacing(Source.FSpacing);
}

TGDIPStatus::TGDIPStatus() {
  FFill.OnChange = [this](TObject*) { Changed(); };
  FFont.OnChange = [this](TObject*) { Changed(); };
}

void TGDIPStatus::Assign(const TGDIPStatus& Source) {
  if (&Source == this) return;
  FFill.Assign(Source.FFill);
  FFont.Assign(Source.FFont);
  SetSpacing(Source.FSpacing);
  SetGlow(Source.FGlow);
}

TSmoothButtonStatus::TSmoothButtonStatus() {
  FAppearance.OnChange = [this](TObject*) { Changed(); };
}

void TSmoothButtonStatus::Assign(const TSmoothButtonStatus& Source) {
  if (&Source == this) return;
  SetVisible(Source.FVisible);
  SetCaption(Source.FCaption);
  SetOffsetLeft(Source.FOffsetLeft);
  SetOffsetTop(Source.FOffsetTop);
  FAppearance.Assign(Source.FAppearance);
}

// --- TSmoothButton ---

TSmoothButton::TSmoothButton(TComponent* AOwner) : TCustomControl(AOwner) {
  DoubleBuffered = true;
  FPicture = std::make_unique<TSmoothPicture>();
  FAppearance = std::make_unique<TGDIPButton>();
  FStatus = std::make_unique<TSmoothButtonStatus>();
  const TNotifyEvent redraw = [this](TObject*) { RedrawRequest(); };
  FPicture->OnChange = redraw;
  FAppearance->OnChange = redraw;
  FStatus->OnChange = redraw;
  TCustomControl::SetBounds(FLeft, FTop, 75, 30);
  RemakeFaceCache(FWidth, FHeight);
}

TSmoothButton::~TSmoothButton() {
  // The window goes first, so that no paint reaches a half-freed button.
  DestroyHandle();
  FPicture.reset();
  FStatus.reset();
  FAppearance.reset();
  FFaceCache.reset();
}

void TSmoothButton::SetColor(TColor Value) { StoreAndRedraw(FColor, Value); }
void TSmoothButton::SetBevel(bool Value) { StoreAndRedraw(FBevel, Value); }
void TSmoothButton::SetBevelColor(TColor Value) { StoreAndRedraw(FBevelColor, Value); }
void TSmoothButton::SetShadow(bool Value) { StoreAndRedraw(FShadow, Value); }
void TSmoothButton::SetHorizontalSpacing(int Value) { StoreAndRedraw(FHorizontalSpacing, Value); }
void TSmoothButton::SetVerticalSpacing(int Value) { StoreAndRedraw(FVerticalSpacing, Value); }

void TSmoothButton::TextChanged() {
  TCustomControl::TextChanged();
  RedrawRequest();
}

void TSmoothButton::SetAppearance(const TGDIPButton& Value) {
  if (&Value == FAppearance.get()) return;
  FAppearance->Assign(Value);
  RedrawRequest();
}

void TSmoothButton::SetStatus(const TSmoothButtonStatus& Value) {
  if (&Value == FStatus.get()) return;
  FStatus->Assign(Value);
  RedrawRequest();
}

void TSmoothButton::SetPicture(const TSmoothPicture& Value) { FPicture->Assign(Value); }

void TSmoothButton::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  const bool resized = AWidth != FWidth || AHeight != FHeight;
  TCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  // Without a window there is no size message; the cache follows the size here instead.
  if (resized && !HandleAllocated()) RemakeFaceCache(FWidth, FHeight);
}

void TSmoothButton::FireClick() {
  if (OnClick) OnClick(this);
}

void TSmoothButton::SetChecked(bool Value) {
  if (!StoreIfChanged(FChecked, Value)) return;
  NotifyAccessibleEvent(Handle(), EVENT_OBJECT_STATECHANGE);
  if (FCheckColor != clNone) RedrawRequest();
}

void TSmoothButton::GetAccessibleFacts(TAccessibleFacts& Facts) const {
  TCustomControl::GetAccessibleFacts(Facts);
  if (Facts.Name.empty()) Facts.Name = AccessibleText(Caption());
  if (FRadioItem) {
    Facts.Role = ROLE_SYSTEM_RADIOBUTTON;
    Facts.State = FChecked ? STATE_SYSTEM_CHECKED : 0;
    Facts.DefaultAction = "Check";
  } else {
    Facts.Role = ROLE_SYSTEM_PUSHBUTTON;
    Facts.DefaultAction = "Press";
  }
}

void TSmoothButton::AccessibleDefaultAction() {
  // A disabled button ignores the request as it ignores the mouse.
  if (EnabledWithParents()) Click();
}

void TSmoothButton::RedrawRequest() {
  FCacheValid = false;
  Invalidate();
}

void TSmoothButton::RemakeFaceCache(int AWidth, int AHeight) {
  FFaceCache.reset();
  if (AWidth > 0 && AHeight > 0) FFaceCache = std::make_unique<TDibSurface>(AWidth, AHeight);
  FCacheValid = false;
}

void TSmoothButton::EnabledChanged() {
  TCustomControl::EnabledChanged();
  if (EnabledWithParents() != FEnabledFlag) {
    FEnabledFlag = EnabledWithParents();
    RedrawRequest();
  }
}

void TSmoothButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (!FEnabledFlag) return;
  FPressed = true;
  SetFocus();
  RedrawRequest();
}

void TSmoothButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (!FEnabledFlag) return;
  FPressed = false;
  RedrawRequest();
}

void TSmoothButton::CaptureLost() {
  // The press ended without its release: the marker shows its normal face again.
  if (!FPressed) return;
  FPressed = false;
  RedrawRequest();
}

void TSmoothButton::DoEnter() {
  TCustomControl::DoEnter();
  FFocused = true;
  // A press of the mouse gives the focus too; only focus that the keyboard brought shows its cue.
  FKeyboardFocus = !FPressed;
  RedrawRequest();
}

void TSmoothButton::DoExit() {
  TCustomControl::DoExit();
  FFocused = false;
  RedrawRequest();
}

bool TSmoothButton::DialogKey(WORD Key, TShiftState Shift) {
  const int step = Key == VK_RIGHT || Key == VK_DOWN ? 1 : Key == VK_LEFT || Key == VK_UP ? -1 : 0;
  if (FRadioItem && step != 0 && Focused() && !(Shift & (ssCtrl | ssAlt))) {
    // The keyboard is in use: focus cues show from now on, as the dialog manager shows them for the
    // arrow keys it handles itself.
    SendMessageA(GetAncestor(Handle(), GA_ROOT), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    if (TSmoothButton* next = NeighbourInGroup(step)) {
      next->SetFocus();
      next->Click();
    }
    return true;
  }
  return TCustomControl::DialogKey(Key, Shift);
}

TSmoothButton* TSmoothButton::NeighbourInGroup(int Step) const {
  if (!Parent()) return nullptr;
  std::vector<TSmoothButton*> group;
  for (const auto& control : Parent()->Controls())
    if (auto* item = dynamic_cast<TSmoothButton*>(control.get());
        item && item->FRadioItem && item->EnabledWithParents())
      group.push_back(item);
  const auto self = std::find(group.begin(), group.end(), this);
  if (group.size() < 2 || self == group.end()) return nullptr;
  const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(group.size());
  return group[static_cast<std::size_t>((((self - group.begin()) + Step) % n + n) % n)];
}

bool TSmoothButton::ShowsFocusCue() const {
  // The window's own state: a control made after the window set it has not heard it.
  return FFocused && FKeyboardFocus && HandleAllocated() &&
         !(SendMessageA(GetAncestor(Handle(), GA_ROOT), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
}

LRESULT TSmoothButton::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
    case WM_GETDLGCODE:
      // A radio item takes the arrow keys to move the choice; Tab, Enter and Escape stay the
      // dialog's. Otherwise arrow keys and all keys while a tab stop, and none when not.
      if (FRadioItem) return DLGC_WANTARROWS;
      return TabStop() ? DLGC_WANTARROWS | DLGC_WANTALLKEYS : 0;
    case WM_SYSCOLORCHANGE:
      // A face drawn in a system colour is drawn again in the new one.
      RedrawRequest();
      return 0;
    case WM_KEYDOWN:
      // Space presses the focused button, and chooses a focused radio item, as it checks a radio
      // button: the click comes when the key is let go.
      if (wParam == VK_SPACE && !(lParam & (1 << 30)) && FEnabledFlag) {
        FPressed = true;
        RedrawRequest();
        return 0;
      }
      break;
    case WM_KEYUP:
      if (wParam == VK_SPACE && FPressed) {
        FPressed = false;
        RedrawRequest();
        Click();
        return 0;
      }
      break;
    case WM_UPDATEUISTATE: {
      // The focus cue shows once the keyboard is used.
      const LRESULT result = TCustomControl::WndProc(Msg, wParam, lParam);
      if (FFocused) Invalidate();
      return result;
    }
    case WM_SIZE: {
      const LRESULT result = TCustomControl::WndProc(Msg, wParam, lParam);
      RemakeFaceCache(LOWORD(lParam), HIWORD(lParam));
      return result;
    }
    default:
      break;
  }
  return TCustomControl::WndProc(Msg, wParam, lParam);
}

void TSmoothButton::Paint() {
  HDC dc = Canvas().Handle();
  PaintParentUnder(dc);
  if (!FFaceCache) return;
  if (!FCacheValid) {
    TSmoothFace face;
    face.Width = FFaceCache->Width();
    face.Height = FFaceCache->Height();
    face.Color = FColor;
    face.Enabled = FEnabledFlag;
    face.Pressed = FPressed;
    face.Bevel = FBevel;
    face.BevelColor = FBevelColor;
    face.PixelsPerInch = Font().PixelsPerInch();
    face.CheckColor = FChecked ? FCheckColor : clNone;
    DrawFaceInto(*FFaceCache, face);
    FCacheValid = true;
  }
  DrawWithAlpha(dc, *FFaceCache, 0, 0);
  if (ShowsFocusCue()) {
    RECT r{0, 0, FFaceCache->Width(), FFaceCache->Height()};
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &r);
  }
}

}  // namespace px2d
