// The drawing library for the position-marker button: started once for the marker's own use.
#pragma once

#include <windows.h>

#include <cstdint>

namespace px2d {

// Starts GDI+ (version 1) for the marker's drawing and shuts that use down again when it goes.
// The program keeps one for its whole run; GDI+ counts its users, so other units may hold their own.
class TSmoothGDIP {
 public:
  TSmoothGDIP();
  ~TSmoothGDIP();
  TSmoothGDIP(const TSmoothGDIP&) = delete;
  TSmoothGDIP& operator=(const TSmoothGDIP&) = delete;

  bool Started() const { return FToken != 0; }

 private:
  ULONG_PTR FToken = 0;
};

}  // namespace px2d
