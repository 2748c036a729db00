// Colours, fonts, canvases and pictures: what controls draw with.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Classes.h"
#include "Handles.h"

namespace px2d {

// 0x00BBGGRR, or a system colour: 0x80000000 plus the GetSysColor index.
using TColor = std::int32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clGray = 0x808080;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;
constexpr TColor clWindowText = static_cast<TColor>(0x80000000u | COLOR_WINDOWTEXT);
constexpr TColor clBtnFace = static_cast<TColor>(0x80000000u | COLOR_BTNFACE);
constexpr TColor clWindow = static_cast<TColor>(0x80000000u | COLOR_WINDOW);
constexpr TColor clBtnShadow = static_cast<TColor>(0x80000000u | COLOR_BTNSHADOW);
constexpr TColor clBtnHighlight = static_cast<TColor>(0x80000000u | COLOR_BTNHIGHLIGHT);
constexpr TColor clGrayText = static_cast<TColor>(0x80000000u | COLOR_GRAYTEXT);
constexpr TColor clBtnText = static_cast<TColor>(0x80000000u | COLOR_BTNTEXT);
constexpr TColor clHighlight = static_cast<TColor>(0x80000000u | COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = static_cast<TColor>(0x80000000u | COLOR_HIGHLIGHTTEXT);

// The RGB value of a colour; a system colour gives the current system colour, or in dark mode the
// dark mode's own (a dark window and button face, light texts).
COLORREF ColorToRGB(TColor Color);
// The colour a text of this design colour is drawn in: as ColorToRGB, except that in dark mode a
// colour of the design (not a system colour) is taken with its lightness turned round, hue and
// saturation kept: a dark blue title becomes a light blue one, a near-black description a near-white.
COLORREF TextColor(TColor Color);
// The colour with its lightness turned round in HSL, hue and saturation kept.
COLORREF LightnessTurnedRound(COLORREF Color);

// Whether the window follows the system's dark app theme: Windows asks apps to be dark (the user's
// AppsUseLightTheme under HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize is 0; a
// missing value means light), and no high-contrast scheme is on, which always wins. Asked once, and
// again after RefreshDarkMode (which the window calls when the system's settings change).
bool DarkMode();
void RefreshDarkMode();

// Whether the user chose a high-contrast scheme: asked once, and again after RefreshHighContrast
// (which the window calls when the system's settings change).
bool HighContrast();
void RefreshHighContrast();
// Sets the flag, whatever the system says, until called with none: for tests and pictures of the
// high-contrast look on systems that never report the flag (Wine).
void ForceHighContrast(std::optional<bool> Value);
// The visual style that the system's controls are drawn in: the system's own; none, drawn in the
// scheme's colours (high contrast, where Windows itself draws no visual style, though Wine would);
// the system's dark one (dark mode, where the system has dark styles; where it has none, its own
// stays, and the window draws dark what the system would draw light).
enum class TControlStyle { System, Classic, Dark };
// The style the system's controls take now.
TControlStyle CurrentControlStyle();
// Whether the system's controls are in a dark style now: dark mode on a system with dark styles.
bool SystemDrawsDark();
// Gives a system control's window the style.
void ApplyControlStyle(HWND Window, TControlStyle Style);
// Draws a part of a control in the window's visual style at its own size, left in Rect and centred
// in its height; Rect becomes what was drawn. False where the window has no style.
bool DrawStyledPart(HWND Window, HDC DC, int Part, int State, RECT& Rect);

// How far two colours stand apart for a reader: the ratio of their relative luminances, each
// lightened by 0.05, from 1 (the same) to 21 (black and white).
double ContrastRatio(COLORREF A, COLORREF B);
// The colour to draw text in over Background: Preferred where it reads at MinRatio (4.5 for normal
// text, 3 for large), else Preferred with its lightness turned round where that does, else the
// system's window text where that does, else black or white, whichever reads better.
COLORREF ReadableTextColor(COLORREF Preferred, COLORREF Background, double MinRatio);
// Black or white, whichever reads better over Background.
COLORREF BlackOrWhiteOn(COLORREF Background);

// The resolution of the screen in pixels per inch, read once: the only place that asks the system.
int ScreenPixelsPerInch();
// A length designed at 96 pixels per inch, at PixelsPerInch (rounded half away from zero).
inline int ScaleBy(int Designed, int PixelsPerInch) { return MulDiv(Designed, PixelsPerInch, 96); }

// A solid brush of the colour, shared by everyone who asks for it and kept for the program's life.
HBRUSH SolidBrushOf(COLORREF Color);

// Font styles, combined as bits.
enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

// A GDI font shared by every TFont and window that uses the same face, size and style; it is
// deleted when the last of them lets it go.
class TFontResource {
 public:
  explicit TFontResource(HFONT Handle) : FHandle(Handle) {}
  HFONT Handle() const { return FHandle.Get(); }

 private:
  TGdiObject<HFONT> FHandle;
};
using TSharedFont = std::shared_ptr<TFontResource>;

// A logical font. Height is in pixels as designed at 96 pixels per inch (negative: the character
// height without internal leading); the GDI font is made at the font's PixelsPerInch, which its
// control sets from its form.
class TFont : public TObject {
 public:
  TFont() = default;

  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value);
  int Height() const { return FHeight; }
  void SetHeight(int Value);
  // The size in points, the same at every resolution.
  int Size() const;
  void SetSize(int Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles Value);
  BYTE Charset() const { return FCharset; }
  int PixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(int Value);
  // The height in pixels at PixelsPerInch.
  int PixelHeight() const { return ScaleBy(FHeight, FPixelsPerInch); }

  // Copies face, height, colour and style, and the resolution unless the font keeps its own.
  void Assign(const TFont& Source);
  // A control's font: its resolution is the control's, whatever font is assigned to it.
  bool KeepsResolution = false;
  // The GDI font, shared and kept until the next change.
  HFONT Handle() const { return Resource()->Handle(); }
  const TSharedFont& Resource() const;

  TNotifyEvent OnChange;

 private:
  void Changed();
  std::string FName = "Tahoma";
  int FHeight = -11;
  TColor FColor = clWindowText;
  TFontStyles FStyle = 0;
  BYTE FCharset = DEFAULT_CHARSET;
  int FPixelsPerInch = 96;
  mutable TSharedFont FResource;
};

class TGraphic;

// Drawing on a device context that someone else owns for the time of a paint.
class TCanvas : public TObject {
 public:
  TCanvas();
  ~TCanvas() override;

  HDC Handle() const { return FHandle; }
  // Takes a device context for drawing, or gives it back with nullptr.
  void SetHandle(HDC Value);

  TFont& Font() { return FFont; }
  // Selects Font into the device context (done by every text operation).
  void RequireFont();

  void FillRect(const RECT& Rect, TColor Color);
  void Draw(int X, int Y, TGraphic& Graphic);
  // Draws the graphic into the rectangle, at whatever size it has.
  void StretchDraw(const RECT& Rect, TGraphic& Graphic);

 private:
  void Deselect();
  HDC FHandle = nullptr;
  TFont FFont;
  HGDIOBJ FOldFont = nullptr;
};

// A picture that can be copied, streamed and drawn on a canvas.
class TGraphic : public TObject {
 public:
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int) {}
  virtual void SetHeight(int) {}

  // Copies Source into this graphic; raises an Exception for a source it cannot take.
  virtual void Assign(const TObject* Source);
  virtual void LoadFromStream(TStream* Stream) = 0;
  virtual void SaveToStream(TStream& Stream) const = 0;
  virtual void LoadFromFile(const std::string& FileName);

  TNotifyEvent OnChange;

 protected:
  friend class TCanvas;
  virtual void Draw(TCanvas& Canvas, const RECT& Rect) = 0;
  void Changed() {
    if (OnChange) OnChange(this);
  }
};

// A 32-bit top-down device-independent bitmap selected into a memory device context:
// the off-screen surface of double buffering, and what tests render into and probe.
class TDibSurface {
 public:
  TDibSurface(int Width, int Height);
  ~TDibSurface();
  TDibSurface(const TDibSurface&) = delete;
  TDibSurface& operator=(const TDibSurface&) = delete;

  HDC DC() const { return FDC.Get(); }
  HBITMAP Bitmap() const { return FBitmap.Get(); }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // The pixel as 0xAARRGGBB; 0 outside the surface.
  std::uint32_t Pixel(int X, int Y) const;
  std::uint32_t* Bits() const { return FBits; }
  void Fill(COLORREF Color);

 private:
  int FWidth, FHeight;
  TMemoryDC FDC;
  std::uint32_t* FBits = nullptr;
  TGdiObject<HBITMAP> FBitmap;
  HGDIOBJ FOld = nullptr;
};

// A device-independent bitmap read from and written as a BMP file; optionally drawn with the
// colour of its bottom-left pixel left out.
class TBitmap : public TGraphic {
 public:
  TBitmap() = default;
  bool Empty() const override { return !FSurface; }
  int Width() const override { return FSurface ? FSurface->Width() : 0; }
  int Height() const override { return FSurface ? FSurface->Height() : 0; }
  void SetSize(int AWidth, int AHeight);

  void Assign(const TObject* Source) override;
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream& Stream) const override;

  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  // The colour left out when transparent: that of the bottom-left pixel.
  COLORREF TransparentColor() const;
  // Drawing on the bitmap itself; null while empty.
  HDC DC() const { return FSurface ? FSurface->DC() : nullptr; }

 protected:
  void Draw(TCanvas& Canvas, const RECT& Rect) override;

 private:
  std::unique_ptr<TDibSurface> FSurface;
  bool FTransparent = false;
};

// A holder of any one graphic.
class TPicture : public TObject {
 public:
  TGraphic* Graphic() const { return FGraphic.get(); }
  void SetGraphic(std::unique_ptr<TGraphic> Value) { FGraphic = std::move(Value); }

 private:
  std::unique_ptr<TGraphic> FGraphic;
};

}  // namespace px2d
