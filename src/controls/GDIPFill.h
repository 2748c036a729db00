// The face of the position-marker button: its colours, its shapes and the 32-bit face picture.
#pragma once

#include <windows.h>

#include <cstdint>

namespace Gdiplus {
class Graphics;
}

namespace px2d {

// What the face is drawn from.
struct TSmoothFace {
  int Width = 0;
  int Height = 0;
  COLORREF Color = 0x808080;
  bool Enabled = true;
  bool Pressed = false;
  bool Bevel = true;
  COLORREF BevelColor = 0xFFFFFF;
};

// A framework colour as RGB: system colour values become the current system colour.
COLORREF ColorToRGB(COLORREF Color);
// C+d: d added to each of red, green and blue, each clamped to 0..255.
COLORREF ShiftColor(COLORREF Color, int Delta);
// The face colour: the colour (0x505050 when disabled), darkened to 0.8 of its value while pressed.
COLORREF SmoothFaceColor(COLORREF Color, bool Enabled, bool Pressed);

// Draws the face with anti-aliasing onto the graphics, in the control's own coordinates.
void DrawSmoothFace(Gdiplus::Graphics& Graphics, const TSmoothFace& Face);

// A top-down 32-bit picture with premultiplied alpha, held in a memory device context: the face cache.
class TAlphaBitmap {
 public:
  TAlphaBitmap(int AWidth, int AHeight);
  ~TAlphaBitmap();
  TAlphaBitmap(const TAlphaBitmap&) = delete;
  TAlphaBitmap& operator=(const TAlphaBitmap&) = delete;

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  HDC DC() const { return FDC; }
  // The pixel as 0xAARRGGBB, premultiplied; 0 outside the picture.
  std::uint32_t Pixel(int X, int Y) const;

  // Makes every pixel fully transparent.
  void Clear();
  // Clears the picture and draws the face of its size into it.
  void DrawFace(const TSmoothFace& Face);
  // Puts the picture onto Dest at (X, Y), one to one, blended by its alpha.
  void DrawTo(HDC Dest, int X, int Y) const;

 private:
  int FWidth, FHeight;
  HDC FDC = nullptr;
  HBITMAP FBitmap = nullptr;
  HGDIOBJ FOldBitmap = nullptr;
  std::uint32_t* FBits = nullptr;
};

}  // namespace px2d
