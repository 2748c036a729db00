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

TGDIPUtilSession::TGDIPUtilSession() {
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&FToken, &input, nullptr) != Gdiplus::Ok) FToken = 0;
}

TGDIPUtilSession::~TGDIPUtilSession() {
  if (FToken) Gdiplus::GdiplusShutdown(FToken);
}

}  // namespace px2d
