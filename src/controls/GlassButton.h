// The glass navigation button: a push button drawn as a pane of tinted glass, with a shine over
// its upper half, a glow rising from its lower edge while pressed or down, borders, a picture and
// a caption. Buttons of one parent with the same non-zero GroupIndex act as a radio group. The
// button holds the state, input, events, action link and accessibility; GlassDrawing draws its face.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ButtonTypes.h"
#include "GDIPUtil.h"
#include "GDIPicture.h"
#include "GlassDrawing.h"
#include "framework/Controls.h"

namespace px2d {

enum TGlassButtonStyle { tasButton, tasCheck };
// Pressed and Latched switch the glow on.
enum TGlassVisualState { gvsUp, gvsDisabled, gvsPressed, gvsLatched };

class TCustomGlassButton;
class TGlassButtonActionLink;

// An action that a glass button can follow: its check mark is the button's Down, its group index
// the button's GroupIndex, executing it is the button's click.
class TCustomAction : public TComponent {
 public:
  using TComponent::TComponent;
  ~TCustomAction() override;
  std::string Caption;
  bool Checked() const { return FChecked; }
  void SetChecked(bool Value);
  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int Value);
  TNotifyEvent OnExecute;
  void Execute();

 private:
  friend class TGlassButtonActionLink;
  friend class TCustomGlassButton;
  bool FChecked = false;
  int FGroupIndex = 0;
  std::vector<TGlassButtonActionLink*> FLinks;
};

// Carries an action's changes to the button: the check mark through Setting Down, the group index
// through the GroupIndex write. The button owns it; an action that goes first unlinks its buttons.
class TGlassButtonActionLink {
 public:
  TGlassButtonActionLink(TCustomGlassButton& Client, TCustomAction& Action);
  ~TGlassButtonActionLink();
  TGlassButtonActionLink(const TGlassButtonActionLink&) = delete;
  TGlassButtonActionLink& operator=(const TGlassButtonActionLink&) = delete;
  TCustomAction& Action() const { return FAction; }
  void CheckedChanged();
  void GroupIndexChanged();

 private:
  friend class TCustomAction;
  TCustomGlassButton& FClient;
  TCustomAction& FAction;
};

class TCustomGlassButton : public TCustomControl {
 public:
  explicit TCustomGlassButton(TComponent* AOwner = nullptr);
  ~TCustomGlassButton() override;
  const char* ClassName() const override { return "TCustomGlassButton"; }

  // Draws the whole button (glass, then picture and caption) on Canvas.
  virtual void DrawGlassButton(TCanvas& Canvas);
  // The packed version: one byte each, highest first.
  virtual std::uint32_t VersionNumber() const { return 0x01020102; }

  bool AllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool Value);
  TAntiAlias AntiAlias() const { return FAntiAlias; }
  void SetAntiAlias(TAntiAlias Value) { SetAndRepaint(FAntiAlias, Value); }
  TColor BackColor() const { return FBackColor; }
  void SetBackColor(TColor Value) { SetAndRepaint(FBackColor, Value); }
  TBackGroundSymbol BackGroundSymbol() const { return FBackGroundSymbol; }
  void SetBackGroundSymbol(TBackGroundSymbol Value) { SetAndRepaint(FBackGroundSymbol, Value); }
  TColor BackGroundSymbolColor() const { return FBackGroundSymbolColor; }
  void SetBackGroundSymbolColor(TColor Value) { SetAndRepaint(FBackGroundSymbolColor, Value); }
  TButtonDirection ButtonDirection() const { return FButtonDirection; }
  void SetButtonDirection(TButtonDirection Value) { SetAndRepaint(FButtonDirection, Value); }
  TButtonShape ButtonShape() const { return FButtonShape; }
  void SetButtonShape(TButtonShape Value) { SetAndRepaint(FButtonShape, Value); }
  int CornerRadius() const { return FCornerRadius; }
  // Negative values are ignored; there is no upper limit while the program runs.
  void SetCornerRadius(int Value);
  bool Down() const { return FDown; }
  void SetDown(bool Value);
  TColor ForeColor() const { return FForeColor; }
  void SetForeColor(TColor Value) { SetAndRepaint(FForeColor, Value); }
  bool ForceTransparent() const { return FForceTransparent; }
  void SetForceTransparent(bool Value) { SetAndRepaint(FForceTransparent, Value); }
  TColor GlowColor() const { return FGlowColor; }
  void SetGlowColor(TColor Value) { SetAndRepaint(FGlowColor, Value); }
  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int Value);
  TColor InnerBorderColor() const { return FInnerBorderColor; }
  void SetInnerBorderColor(TColor Value) { SetAndRepaint(FInnerBorderColor, Value); }
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout Value) { SetAndRepaint(FLayout, Value); }
  const THintInfo& RichHint() const { return FRichHint; }
  void SetRichHint(const THintInfo& Value) { FRichHint.Assign(Value); }
  TColor OuterBorderColor() const { return FOuterBorderColor; }
  void SetOuterBorderColor(TColor Value) { SetAndRepaint(FOuterBorderColor, Value); }
  TGDIPPicture& Picture() { return FPicture; }
  void SetPicture(const TGDIPPicture* Value);
  TGDIPPicture& PictureDown() { return FPictureDown; }
  void SetPictureDown(const TGDIPPicture* Value) { FPictureDown.Assign(Value); }
  TGDIPPicture& PictureDisabled() { return FPictureDisabled; }
  void SetPictureDisabled(const TGDIPPicture* Value);
  TColor ShineColor() const { return FShineColor; }
  void SetShineColor(TColor Value) { SetAndRepaint(FShineColor, Value); }
  const std::string& ShortCutHint() const { return FShortCutHint; }
  void SetShortCutHint(const std::string& Value) { FShortCutHint = Value; }
  TShortCutHintPos ShortCutHintPos() const { return FShortCutHintPos; }
  void SetShortCutHintPos(TShortCutHintPos Value) { FShortCutHintPos = Value; }
  bool ShowCaption() const { return FShowCaption; }
  void SetShowCaption(bool Value) { SetAndRepaint(FShowCaption, Value); }
  bool ShowFocusRect() const { return FShowFocusRect; }
  void SetShowFocusRect(bool Value) { SetAndRepaint(FShowFocusRect, Value); }
  TGlassButtonStyle Style() const { return FStyle; }
  void SetStyle(TGlassButtonStyle Value) { FStyle = Value; }
  // "1.2.1.2"; writing it changes nothing.
  std::string Version() const;
  void SetVersion(const std::string&) {}

  // The action this button follows, or none.
  TCustomAction* Action() const { return FActionLink ? &FActionLink->Action() : nullptr; }
  void SetAction(TCustomAction* Value);

  // Raises OnClick, or executes the linked action; changes neither Down nor the look.
  void Click() override;
  // It takes Enter itself while it has the focus.
  bool IsPushButton() const override { return true; }

  // To assistive technology a button of a group is a page tab, selected while down; any other a
  // push button (pressed while a check button is down). Its name is the caption on one line.
  void GetAccessibleFacts(TAccessibleFacts& Facts) const override;
  // As a click of the mouse: a button of a group goes down and a check button toggles, then it clicks.
  void AccessibleDefaultAction() override;

  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

  // A change that the button makes itself also forgets the picture it last drew.
  void Invalidate() override;

  // State seen by drawing and tests.
  TGlassVisualState VisualState() const { return FState; }
  bool Hot() const { return FHot; }
  bool MouseIsDown() const { return FMouseDown; }
  bool ShortCutHintShown() const { return FHintWindow && FHintWindow->Visible(); }

 protected:
  friend class TGlassButtonActionLink;
  void Loaded() override;
  void Paint() override;
  bool EraseBackground(HDC) override { return true; }
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseRelease(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void CaptureLost() override;
  void KeyPress(char& Key) override;
  bool DialogKey(WORD Key, TShiftState Shift) override;
  bool DialogChar(char Key, TShiftState Shift) override;
  void DoEnter() override;
  void DoExit() override;
  void FocusChanged(TWinControl* NewFocus) override;
  void EnabledChanged() override;
  void FontChanged() override;
  void TextChanged() override;
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override;

  // The received group notification of a sibling in group AGroupIndex.
  void GroupNotification(int AGroupIndex, TCustomGlassButton& Sender);
  void NotifyGroup();
  void RecheckHover();

 private:
  // What a drawn button's look came from besides its properties: its state, the scheme, its size (and
  // its picture while down, which is kept beside the key: it repaints nothing when it changes).
  struct TFaceKey {
    TGlassVisualState State = gvsUp;
    bool Down = false, MouseDown = false, Hot = false, Enabled = true, Focused = false, HighContrast = false;
    int Width = 0, Height = 0;
    bool operator==(const TFaceKey&) const = default;
  };
  void DrawThroughFaceCache(HDC dc);
  // The button's state changed: painted again from a kept face when one matches (Invalidate is for
  // what no face key holds, and forgets them all).
  void InvalidateState();
  void RepaintState();
  // Pressed, or down in its group: the glow, or the highlight in a high-contrast scheme.
  bool ShowsDown() const;
  // The corner radius, designed at 96 pixels per inch, at the button's resolution.
  int CornerRadiusAtResolution() const;
  template <class T>
  void SetAndRepaint(T& Field, T Value) {
    if (StoreIfChanged(Field, Value)) Invalidate();
  }
  // Tells assistive technology that Down changed.
  void DownChanged();
  void HoverEntered();
  void HoverLeft();
  void ShowShortCutHint(bool Show);
  bool PointInClient(int X, int Y) const { return X >= 0 && Y >= 0 && X < Width() && Y < Height(); }

  bool FAllowAllUp = false;
  TAntiAlias FAntiAlias = aaClearType;
  TColor FBackColor = clBlack;
  TBackGroundSymbol FBackGroundSymbol = bsNone;
  TColor FBackGroundSymbolColor = clWhite;
  TButtonDirection FButtonDirection = bdRight;
  TButtonShape FButtonShape = btsRectangle;
  int FCornerRadius = 4;
  bool FDown = false;
  TColor FForeColor = clWhite;
  bool FForceTransparent = false;
  TColor FGlowColor = 0xFFBD8D;
  int FGroupIndex = 0;
  TColor FInnerBorderColor = clBlack;
  TButtonLayout FLayout = blGlyphLeft;
  TColor FOuterBorderColor = clWhite;
  TColor FShineColor = clWhite;
  std::string FShortCutHint;
  TShortCutHintPos FShortCutHintPos = shpTop;
  bool FShowCaption = true;
  bool FShowFocusRect = false;
  TGlassButtonStyle FStyle = tasButton;

  TGlassVisualState FState = gvsUp;
  bool FHot = false;
  bool FMouseDown = false;
  bool FDragging = false;
  bool FFocused = false;
  bool FInitialDown = false;
  // OnMouseEnter was raised and OnMouseLeave has not followed yet.
  bool FEnterRaised = false;
  // The pixels beneath the button at the last drawing, and the faces drawn over them in the states
  // seen since, the latest first: a page switch takes a button up, pressed and down, and back.
  struct TFace {
    TFaceKey Key;
    std::vector<std::uint8_t> PictureDown;
    std::vector<std::uint32_t> Drawn;
  };
  static constexpr std::size_t MaxFaces = 4;
  std::vector<std::uint32_t> FFaceUnder;
  std::vector<TFace> FFaces;

  TGDIPPicture FPicture;
  TGDIPPicture FPictureDown;
  TGDIPPicture FPictureDisabled;
  THintInfo FRichHint;
  std::unique_ptr<TShortCutHintWindow> FHintWindow;
  std::unique_ptr<TGlassButtonActionLink> FActionLink;
};

// The published glass button.
class TGlassButton : public TCustomGlassButton {
 public:
  using TCustomGlassButton::TCustomGlassButton;
  const char* ClassName() const override { return "TGlassButton"; }
};

}  // namespace px2d
