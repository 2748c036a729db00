// The glass face: a pane of tinted glass with a shine over its upper half, a glow rising from its
// lower edge while down, borders, a symbol behind, a picture and a caption. It is drawn from a
// plain description of the face, on any device context: a window's, or a bitmap's without one.
#pragma once

#include <windows.h>

#include <objidl.h>  // before gdiplus.h, which needs its COM types

#include <gdiplus.h>

#include <string>

#include "ButtonTypes.h"
#include "GDIPUtil.h"
#include "GDIPicture.h"
#include "framework/Graphics.h"

namespace px2d {

enum TButtonShape { btsRectangle, btsCurvedRectangle };
enum TButtonDirection { bdLeft, bdRight };
enum TBackGroundSymbol {
  bsArrowLeft,
  bsArrowRight,
  bsArrowUp,
  bsArrowDown,
  bsPlay,
  bsPause,
  bsStop,
  bsFastForward,
  bsForward,
  bsBackward,
  bsFastBackward,
  bsSpeaker,
  bsNoSpeaker,
  bsNone,
  bsRecord
};

// What a glass face is drawn from, in the pixels of the surface it is drawn on.
struct TGlassFace {
  int Width = 0;
  int Height = 0;
  TButtonShape Shape = btsRectangle;
  TButtonDirection Direction = bdRight;
  // Already at the resolution of the surface.
  int CornerRadius = 4;
  // Taken as stored, a system colour value included, each at the alpha its layer gives it.
  TColor BackColor = clBlack;
  TColor GlowColor = 0xFFBD8D;
  TColor ShineColor = clWhite;
  TColor SymbolColor = clWhite;
  // Resolved, opaque.
  TColor OuterBorderColor = clWhite;
  TColor InnerBorderColor = clBlack;
  TBackGroundSymbol Symbol = bsNone;
  // Pressed, or down in its group: the glow, or the highlight in a high-contrast scheme.
  bool Down = false;
  // The scheme's own opaque colours instead of the glass; a disabled caption in its grey text colour.
  bool HighContrast = false;
  // A disabled face draws the same glass with a grey caption.
  bool Enabled = true;
  // The focus outline.
  bool Focused = false;
  std::string Caption;
  bool ShowCaption = true;
  // The caption's font, required; its resolution is the surface's, at which the picture and the
  // focus outline's insets (designed at 96 pixels per inch) are scaled.
  const TFont* Font = nullptr;
  // Drawn at its own size scaled to the font's resolution; none when null or empty.
  TGDIPPicture* Picture = nullptr;
  TButtonLayout Layout = blGlyphLeft;
  TAntiAlias AntiAlias = aaClearType;
};

// The whole face on Canvas: the glass, then the picture and caption over it.
void DrawGlassFace(TCanvas& Canvas, const TGlassFace& Face);

// The glass: borders, tinted body, glow, shine, symbol. The caller sets the smoothing.
void DrawGlassBody(Gdiplus::Graphics& Surface, const TGlassFace& Face);

// Caption, picture and focus outline on Canvas within (0, 0, Width, Height); the picture and
// caption are 2 pixels apart. Drawn with GDI+ the caption wraps at words; drawn with GDI (no
// smoothing, or a font GDI+ cannot use) it breaks only at its line breaks.
void DrawPictureAndCaption(TCanvas& Canvas, const TGlassFace& Face);

// Forgets which faces are screen fonts, after fonts were installed or removed.
void ForgetScreenFonts();

}  // namespace px2d
