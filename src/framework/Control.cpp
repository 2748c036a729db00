// TControl: what every control has, windowed or not; and the keyboard helpers of captions.
#include "Controls.h"

namespace px2d {

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

TControlHost* TControl::Host() const {
  const TControl* top = this;
  while (top->FParent) top = top->FParent;
  return dynamic_cast<TControlHost*>(const_cast<TControl*>(top));
}

int TControl::PixelsPerInch() const {
  if (const TControlHost* host = Host()) return host->PixelsPerInch();
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

}  // namespace px2d
