#include "SmoothGDIP.h"

// GDI+ needs the COM stream types, which the lean Windows header leaves out.
#include <objidl.h>

#include <gdiplus.h>

namespace px2d {

TSmoothGDIP::TSmoothGDIP() {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  // Without GDI+ the marker draws no face and shows the page behind it; the program still works.
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) FToken = token;
}

TSmoothGDIP::~TSmoothGDIP() {
  if (FToken) Gdiplus::GdiplusShutdown(FToken);
}

}  // namespace px2d
