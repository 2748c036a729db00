// The position-marker button: a push button with a glossy round face in one colour.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "GDIPFill.h"
#include "framework/Controls.h"

namespace px2d {

// Where the picture sits against the caption: the four places of a plain button (the glass
// button's TButtonLayout has eight).
enum class TGDIPButtonLayout { GlyphLeft, GlyphRight, GlyphTop, GlyphBottom };

// The caption settings of the button.
class TGDIPButton : public TChangeReporter {
 public:
  TGDIPButton();
  TFont& Font() { return FFont; }
  TGDIPButtonLayout Layout() const { return FLayout; }
  void SetLayout(TGDIPButtonLayout Value) { Store(FLayout, Value); }
  int Spacing() const { return FSpacing; }
  void SetSpacing(int Value) { Store(FSpacing, Value); }
  void Assign(const TGDIPButton& Source);

 private:
  TFont FFont;
  TGDIPButtonLayout FLayout = TGDIPButtonLayout::GlyphLeft;
  int FSpacing = 2;
};

// The look of the status badge.
class TGDIPStatus : public TChangeReporter {
 public:
  TGDIPStatus();
  TGDIPFill& Fill() { return FFill; }
  TFont& Font() { return FFont; }
  int Spacing() const { return FSpacing; }
  void SetSpacing(int Value) { Store(FSpacing, Value); }
  bool Glow() const { return FGlow; }
  void SetGlow(bool Value) { Store(FGlow, Value); }
  void Assign(const TGDIPStatus& Source);

 private:
  TGDIPFill FFill;
  TFont FFont;
  int FSpacing = 0;
  bool FGlow = false;
};

// The status badge; it shows only while Visible.
class TSmoothButtonStatus : public TChangeReporter {
 public:
  TSmoothButtonStatus();
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value) { Store(FVisible, Value); }
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value) { Store(FCaption, Value); }
  int OffsetLeft() const { return FOffsetLeft; }
  void SetOffsetLeft(int Value) { Store(FOffsetLeft, Value); }
  int OffsetTop() const { return FOffsetTop; }
  void SetOffsetTop(int Value) { Store(FOffsetTop, Value); }
  TGDIPStatus& Appearance() { return FAppearance; }
  void Assign(const TSmoothButtonStatus& Source);

 private:
  bool FVisible = false;
  std::string FCaption;
  int FOffsetLeft = 0, FOffsetTop = 0;
  TGDIPStatus FAppearance;
};

// The picture beside the caption: image file bytes, kept as they are.
class TSmoothPicture : public TChangeReporter {
 public:
  const std::string& Data() const { return FData; }
  void SetData(const std::string& Value) { Store(FData, Value); }
  bool Empty() const { return FData.empty(); }
  void Assign(const TSmoothPicture& Source) { SetData(Source.FData); }

 private:
  std::string FData;
};

class TSmoothButton : public TCustomControl {
 public:
  explicit TSmoothButton(TComponent* AOwner = nullptr);
  ~TSmoothButton() override;
  const char* ClassName() const override { return "TSmoothButton"; }

  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  bool Bevel() const { return FBevel; }
  void SetBevel(bool Value);
  TColor BevelColor() const { return FBevelColor; }
  void SetBevelColor(TColor Value);
  bool Shadow() const { return FShadow; }
  void SetShadow(bool Value);
  int HorizontalSpacing() const { return FHorizontalSpacing; }
  void SetHorizontalSpacing(int Value);
  int VerticalSpacing() const { return FVerticalSpacing; }
  void SetVerticalSpacing(int Value);

  // Reading gives the control's version; writing keeps it.
  std::string Version() const { return "1.6.0.1"; }
  void SetVersion(const std::string&) {}

  TGDIPButton& Appearance() { return *FAppearance; }
  void SetAppearance(const TGDIPButton& Value);
  TSmoothButtonStatus& Status() { return *FStatus; }
  void SetStatus(const TSmoothButtonStatus& Value);
  TSmoothPicture& Picture() { return *FPicture; }
  void SetPicture(const TSmoothPicture& Value);

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

  // Raises OnClick when a handler is assigned.
  virtual void FireClick();

  // The button is one of a group of which one is chosen (a position marker): to assistive
  // technology a radio button, checked while Checked. The window that groups the buttons sets
  // Checked with the look of the chosen one. Otherwise it is a push button.
  bool RadioItem() const { return FRadioItem; }
  void SetRadioItem(bool Value) { FRadioItem = Value; }
  bool Checked() const { return FChecked; }
  void SetChecked(bool Value);
  // While checked, a dot in the middle in this colour, so that the choice shows by its shape too;
  // clNone for none.
  TColor CheckColor() const { return FCheckColor; }
  void SetCheckColor(TColor Value) { StoreAndRedraw(FCheckColor, Value); }

  void GetAccessibleFacts(TAccessibleFacts& Facts) const override;
  // Clicks the button, as the mouse does.
  void AccessibleDefaultAction() override;

 protected:
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override;
  void Paint() override;
  bool EraseBackground(HDC) override { return true; }
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void DoEnter() override;
  void DoExit() override;
  // A radio item moves the choice with the arrow keys: Right and Down to the next of its group,
  // Left and Up to the one before, round at both ends, choosing it as a click does.
  bool DialogKey(WORD Key, TShiftState Shift) override;
  void CaptureLost() override;
  void EnabledChanged() override;
  void TextChanged() override;

 private:
  // Marks the face as stale and asks for a paint; any number of requests make one paint.
  void RedrawRequest();
  // The radio item Step places on from this one among the radio items of its parent, in their
  // order, round at both ends; null when there is none other.
  TSmoothButton* NeighbourInGroup(int Step) const;
  // Whether the focus shows: it has the focus, brought by the keyboard, and the window shows focus
  // cues (the keyboard was used, or the system always shows them).
  bool ShowsFocusCue() const;
  // A new, stale face cache of the given size (none while a side is 0).
  void RemakeFaceCache(int AWidth, int AHeight);
  template <class T>
  void StoreAndRedraw(T& Field, const T& Value) {
    if (StoreIfChanged(Field, Value)) RedrawRequest();
  }

  std::unique_ptr<TSmoothPicture> FPicture;
  std::unique_ptr<TGDIPButton> FAppearance;
  std::unique_ptr<TSmoothButtonStatus> FStatus;
  std::unique_ptr<TDibSurface> FFaceCache;
  bool FCacheValid = false;
  bool FPressed = false;
  bool FFocused = false;
  bool FKeyboardFocus = false;
  bool FEnabledFlag = true;

  TColor FColor = clGray;
  bool FBevel = true;
  TColor FBevelColor = clWhite;
  bool FShadow = false;
  int FHorizontalSpacing = 5;
  int FVerticalSpacing = 5;
  bool FRadioItem = false;
  bool FChecked = false;
  TColor FCheckColor = clNone;
};

}  // namespace px2d
