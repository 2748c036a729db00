// The side of an icon as loaded: what a test compares with the size the system asks for.
#pragma once

#include <windows.h>

namespace px2d::test {

// The side of an icon's colour bitmap (or of its mask, for a monochrome icon); 0 when there is none.
inline int IconSide(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return 0;
  BITMAP bitmap{};
  GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

}  // namespace px2d::test
