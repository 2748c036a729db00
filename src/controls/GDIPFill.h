// The face of the position-marker button: its colours, its shapes and the 32-bit face picture.
#pragma once

#include <windows.h>

#include "framework/Graphics.h"

namespace Gdiplus {
class Graphics;
}

namespace px2d {

// A group of settings that reports every change of a value through OnChange.
class TChangeReporter : public TObject {
 public:
  TNotifyEvent OnChange;

 protected:
  template <class T>
  void Store(T& Field, const T& Value) {
    if (StoreIfChanged(Field, Value)) Changed();
  }
  void Changed() {
    if (OnChange) OnChange(this);
  }
};

// The fill of the status badge.
class TGDIPFill : public TChangeReporter {
 public:
  TColor Color() const { return FColor; }
  void SetColor(TColor Value) { Store(FColor, Value); }
  TColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(TColor Value) { Store(FBorderColor, Value); }
  int Rounding() const { return FRounding; }
  void SetRounding(int Value) { Store(FRounding, Value); }
  bool Shadow() const { return FShadow; }
  void SetShadow(bool Value) { Store(FShadow, Value); }
  void Assign(const TGDIPFill& Source);

 private:
  TColor FColor = 0x0000FF;
  TColor FBorderColor = clGray;
  int FRounding = 0;
  bool FShadow = false;
};

// What the face is drawn from.
struct TSmoothFace {
  int Width = 0;
  int Height = 0;
  TColor Color = clGray;
  bool Enabled = true;
  bool Pressed = false;
  bool Bevel = true;
  TColor BevelColor = clWhite;
  // The resolution the face is drawn at: its corner radii are designed at 96 pixels per inch.
  int PixelsPerInch = 96;
  // A dot in the middle, in this colour, as a radio button shows its choice; none with clNone.
  TColor CheckColor = clNone;
};

// C+d: d added to each of red, green and blue, each clamped to 0..255.
COLORREF ShiftColor(COLORREF Color, int Delta);
// The face colour: the colour (0x505050 when disabled), darkened to 0.8 of its value while pressed.
COLORREF SmoothFaceColor(TColor Color, bool Enabled, bool Pressed);

// Draws the face onto the graphics in the control's own coordinates; the caller sets the smoothing.
void DrawSmoothFace(Gdiplus::Graphics& Graphics, const TSmoothFace& Face);

// Clears the picture to fully transparent and draws the face of its size into it, with alpha.
void DrawFaceInto(TDibSurface& Picture, const TSmoothFace& Face);
// Puts the picture onto Dest at (X, Y), one to one, blended by its (premultiplied) alpha.
void DrawWithAlpha(HDC Dest, const TDibSurface& Picture, int X, int Y);

}  // namespace px2d
