// The drawing library's start-up, how captions are smoothed, and the path shapes the custom
// controls share.
#pragma once

#include <windows.h>

#include <objidl.h>  // before gdiplus.h, which needs its COM types

#include <gdiplus.h>

namespace px2d {

enum TAntiAlias { aaNone, aaClearType, aaAntiAlias };

// The text rendering that goes with a TAntiAlias value.
Gdiplus::TextRenderingHint TextRenderingHintOf(TAntiAlias Value);

// Starts GDI+ (version 1) for the life of the object and shuts that use down when it goes. GDI+
// counts its users: each drawing unit of the custom controls holds its own for the program's run.
class TGdiPlusSession {
 public:
  TGdiPlusSession();
  ~TGdiPlusSession();
  TGdiPlusSession(const TGdiPlusSession&) = delete;
  TGdiPlusSession& operator=(const TGdiPlusSession&) = delete;
  bool Started() const { return FToken != 0; }

 private:
  ULONG_PTR FToken = 0;
};

// The glass button's own use of the drawing library.
using TGDIPUtilSession = TGdiPlusSession;

// Adds the outline of a rectangle with rounded corners to the current figure, clockwise from the
// top-left corner: four quarter arcs of radius R joined by the four sides. The radius is used as
// given, even where it exceeds half a side. The caller closes the figure.
void AddRoundedRectangle(Gdiplus::GraphicsPath& Path, Gdiplus::REAL X, Gdiplus::REAL Y, Gdiplus::REAL W,
                         Gdiplus::REAL H, Gdiplus::REAL R);

}  // namespace px2d
