// The drawing library's start-up for the glass button, and how its captions are smoothed.
#pragma once

#include <windows.h>

#include <objidl.h>  // before gdiplus.h, which needs its COM types

#include <gdiplus.h>

namespace px2d {

enum TAntiAlias { aaNone, aaClearType, aaAntiAlias };

// The text rendering that goes with a TAntiAlias value.
Gdiplus::TextRenderingHint TextRenderingHintOf(TAntiAlias Value);

// Starts GDI+ (version 1) for the life of the object: one at program start, shut down at exit.
class TGDIPUtilSession {
 public:
  TGDIPUtilSession();
  ~TGDIPUtilSession();
  TGDIPUtilSession(const TGDIPUtilSession&) = delete;
  TGDIPUtilSession& operator=(const TGDIPUtilSession&) = delete;
  bool Started() const { return FToken != 0; }

 private:
  ULONG_PTR FToken = 0;
};

}  // namespace px2d
