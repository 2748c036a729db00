// What a 16 by 16 marker must look like in each of its four looks, worked out from its geometry
// and its colour table, for the pixel tests of the face and of the painted control.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>

namespace px2d::testing {

struct Rgb {
  int r, g, b;
};

// The colours of a marker in one look: F, F-40, F+100 and F+220.
struct Look {
  const char* name;
  COLORREF color;
  bool pressed;
  Rgb f, fMinus40, fPlus100, fPlus220;
};

inline const Look Idle{"idle",       7237229,         false,          {109, 110, 110},
                       {69, 70, 70}, {209, 210, 210}, {255, 255, 255}};
inline const Look Selected{"selected",     16750899,        false,          {51, 153, 255},
                           {11, 113, 215}, {151, 253, 255}, {255, 255, 255}};
inline const Look IdlePressed{"idle pressed", 7237229,         true,           {87, 88, 88},
                              {47, 48, 48},   {187, 188, 188}, {255, 255, 255}};
inline const Look SelectedPressed{"selected pressed", 16750899,        true,           {41, 122, 204},
                                  {1, 82, 164},       {141, 222, 255}, {255, 255, 255}};
inline const Look Looks[] = {Idle, Selected, IdlePressed, SelectedPressed};

// One stop-to-stop blend, as GDI+ does it with gamma correction (in linear light) and, for Wine,
// which ignores the gamma setting, straight on the stored values: a probe accepts either.
struct Range {
  double lo, hi;
};

inline Range Blend(int a, int b, double t) {
  auto lin = [](int v) { return std::pow(v / 255.0, 2.2); };
  const double straight = a + (b - a) * t;
  const double gamma = 255.0 * std::pow(lin(a) * (1 - t) + lin(b) * t, 1 / 2.2);
  return {std::min(straight, gamma), std::max(straight, gamma)};
}

// The colour range of a three-stop vertical gradient at height y of its rectangle (top, height).
inline Range Gradient(int c0, int c1, int c2, double p1, double top, double height, double y) {
  const double p = (y - top) / height;
  if (p <= p1) return Blend(c0, c1, p / p1);
  return Blend(c1, c2, (p - p1) / (1 - p1));
}

enum class Layer { Upper, Lower };

struct Probe {
  int x, y;
  Layer layer;
  bool ring;  // under the translucent white bevel ring
};

// Pixels well inside one layer, whatever the rasteriser takes as a pixel's centre (x or x + 0.5)
// and however coarsely it follows the small arcs (Wine fills without anti-aliasing).
inline const Probe Probes[] = {
    {7, 5, Layer::Upper, false},   // the shine inside the ring
    {4, 6, Layer::Upper, false},   // the shine near the seam, left of the middle
    {7, 11, Layer::Lower, false},  // the glow inside the ring
    {7, 2, Layer::Upper, true},    // the ring's top over the shine
    {7, 14, Layer::Lower, true},   // the ring's bottom over the glow
};

// The four corners of the square, outside the round face.
inline const POINT Corners[] = {{0, 0}, {15, 0}, {0, 15}, {15, 15}};

// Checks the face probes of a 16 by 16 marker, read through Pixel (0x..RRGGBB), against the look.
inline void ExpectLook(const std::function<std::uint32_t(int, int)>& Pixel, const Look& look) {
  const int tolerance = 5;
  for (const Probe& probe : Probes) {
    SCOPED_TRACE(::testing::Message() << look.name << " at " << probe.x << "," << probe.y);
    const std::uint32_t px = Pixel(probe.x, probe.y);
    const int got[3] = {int(px >> 16 & 255), int(px >> 8 & 255), int(px & 255)};
    const int f[3] = {look.f.r, look.f.g, look.f.b};
    const int m40[3] = {look.fMinus40.r, look.fMinus40.g, look.fMinus40.b};
    const int p100[3] = {look.fPlus100.r, look.fPlus100.g, look.fPlus100.b};
    const int p220[3] = {look.fPlus220.r, look.fPlus220.g, look.fPlus220.b};
    for (int ch = 0; ch < 3; ++ch) {
      Range want{1e9, -1e9};
      for (double y : {double(probe.y), probe.y + 0.5}) {
        // Upper: rectangle (-1, -1, 17, 11), stops F+220 / F+100 at 0.2 / F.
        // Lower: rectangle (-1, 5, 17, 12), stops F-40 / F+100 at 0.9 / F+220.
        Range r = probe.layer == Layer::Upper ? Gradient(p220[ch], p100[ch], f[ch], 0.2, -1, 11, y)
                                              : Gradient(m40[ch], p100[ch], p220[ch], 0.9, 5, 12, y);
        if (probe.ring) {
          const double a = 160 / 255.0;
          r = {255 * a + r.lo * (1 - a), 255 * a + r.hi * (1 - a)};
        }
        want = {std::min(want.lo, r.lo), std::max(want.hi, r.hi)};
      }
      EXPECT_GE(got[ch], want.lo - tolerance) << "channel " << ch;
      EXPECT_LE(got[ch], want.hi + tolerance) << "channel " << ch;
    }
  }
}

}  // namespace px2d::testing
