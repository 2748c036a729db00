#include "GDIPUtil.h"

namespace px2d {

Gdiplus::TextRenderingHint TextRenderingHintOf(TAntiAlias Value) {
  switch (Value) {
    case aaClearType:
      return Gdiplus::TextRenderingHintClearTypeGridFit;
    case aaAntiAlias:
      return Gdiplus::TextRenderingHintAntiAlias;
    default:
      return Gdiplus::TextRenderingHintSystemDefault;
  }
}

TGdiPlusSession::TGdiPlusSession() {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  // Without GDI+ the custom controls draw nothing of their own; the program still works.
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) FToken = token;
}

TGdiPlusSession::~TGdiPlusSession() {
  if (FToken) Gdiplus::GdiplusShutdown(FToken);
}

void AddRoundedRectangle(Gdiplus::GraphicsPath& Path, Gdiplus::REAL X, Gdiplus::REAL Y, Gdiplus::REAL W,
                         Gdiplus::REAL H, Gdiplus::REAL R) {
  const Gdiplus::REAL d = 2 * R;
  Path.AddArc(X, Y, d, d, 180, 90);
  Path.AddLine(X + R, Y, X + W - R, Y);
  Path.AddArc(X + W - d, Y, d, d, 270, 90);
  Path.AddLine(X + W, Y + R, X + W, Y + H - R);
  Path.AddArc(X + W - d, Y + H - d, d, d, 0, 90);
  Path.AddLine(X + W - R, Y + H, X + R, Y + H);
  Path.AddArc(X, Y + H - d, d, d, 90, 90);
  Path.AddLine(X, Y + H - R, X, Y + R);
}

}  // namespace px2d
