// The marker's face, drawn into a 16 by 16 picture and probed where its geometry puts each layer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "controls/GDIPFill.h"
#include "controls/SmoothGDIP.h"

namespace px2d {
namespace {

struct Rgb {
  int r, g, b;
};

// The colours of a 16 by 16 marker in its four looks: F, F-40, F+100 and F+220.
struct Look {
  const char* name;
  COLORREF color;
  bool pressed;
  Rgb f, fMinus40, fPlus100, fPlus220;
};

const Look Looks[] = {
    {"idle", 7237229, false, {109, 110, 110}, {69, 70, 70}, {209, 210, 210}, {255, 255, 255}},
    {"selected", 16750899, false, {51, 153, 255}, {11, 113, 215}, {151, 253, 255}, {255, 255, 255}},
    {"idle pressed", 7237229, true, {87, 88, 88}, {47, 48, 48}, {187, 188, 188}, {255, 255, 255}},
    {"selected pressed", 16750899, true, {41, 122, 204}, {1, 82, 164}, {141, 222, 255}, {255, 255, 255}},
};

Rgb ToRgb(COLORREF c) { return {GetRValue(c), GetGValue(c), GetBValue(c)}; }

class SmoothFace : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { Gdip = std::make_unique<TSmoothGDIP>(); }
  static void TearDownTestSuite() { Gdip.reset(); }
  static std::unique_ptr<TSmoothGDIP> Gdip;
};
std::unique_ptr<TSmoothGDIP> SmoothFace::Gdip;

TEST_F(SmoothFace, ColoursFollowTheFaceColour) {
  for (const Look& look : Looks) {
    SCOPED_TRACE(look.name);
    const COLORREF f = SmoothFaceColor(look.color, true, look.pressed);
    auto same = [](Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; };
    EXPECT_TRUE(same(ToRgb(f), look.f));
    EXPECT_TRUE(same(ToRgb(ShiftColor(f, -40)), look.fMinus40));
    EXPECT_TRUE(same(ToRgb(ShiftColor(f, 100)), look.fPlus100));
    EXPECT_TRUE(same(ToRgb(ShiftColor(f, 220)), look.fPlus220));
  }
  EXPECT_EQ(SmoothFaceColor(7237229, false, false), RGB(0x50, 0x50, 0x50));
  EXPECT_EQ(SmoothFaceColor(0x80000000u | COLOR_WINDOW, true, false), GetSysColor(COLOR_WINDOW));
}

// One stop-to-stop blend, as GDI+ does it with gamma correction (in linear light) and, for Wine,
// which ignores the gamma setting, straight on the stored values: the probe accepts either.
struct Range {
  double lo, hi;
};

Range Blend(int a, int b, double t) {
  auto lin = [](int v) { return std::pow(v / 255.0, 2.2); };
  const double straight = a + (b - a) * t;
  const double gamma = 255.0 * std::pow(lin(a) * (1 - t) + lin(b) * t, 1 / 2.2);
  return {std::min(straight, gamma), std::max(straight, gamma)};
}

// The colour range of a three-stop vertical gradient at height y of its rectangle (top, height).
Range Gradient(int c0, int c1, int c2, double p1, double top, double height, double y) {
  const double p = (y - top) / height;
  if (p <= p1) return Blend(c0, c1, p / p1);
  return Blend(c1, c2, (p - p1) / (1 - p1));
}

enum class Layer { Upper, Lower };

struct Probe {
  int x, y;
  Layer layer;
  bool ring;  // under the translucent bevel ring
};

// Pixels well inside one layer, whatever the rasteriser's pixel centre (x or x + 0.5).
const Probe Probes[] = {
    {7, 5, Layer::Upper, false},   // upper body inside the ring
    {4, 6, Layer::Upper, false},   // upper body near the seam, left of the middle
    {7, 11, Layer::Lower, false},  // lower body inside the ring
    {7, 2, Layer::Upper, true},    // the ring's top over the shine
    {7, 14, Layer::Lower, true},   // the ring's bottom over the glow
};

TEST_F(SmoothFace, SixteenBySixteenMatchesTheColourTable) {
  const int tolerance = 5;
  for (const Look& look : Looks) {
    TAlphaBitmap face(16, 16);
    TSmoothFace params;
    params.Width = 16;
    params.Height = 16;
    params.Color = look.color;
    params.Pressed = look.pressed;
    face.DrawFace(params);
    for (const Probe& probe : Probes) {
      SCOPED_TRACE(::testing::Message() << look.name << " at " << probe.x << "," << probe.y);
      const std::uint32_t px = face.Pixel(probe.x, probe.y);
      ASSERT_EQ(px >> 24, 255u);
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
            // White at alpha 160 over the body.
            const double a = 160 / 255.0;
            r = {255 * a + r.lo * (1 - a), 255 * a + r.hi * (1 - a)};
          }
          want = {std::min(want.lo, r.lo), std::max(want.hi, r.hi)};
        }
        EXPECT_GE(got[ch], want.lo - tolerance) << "channel " << ch;
        EXPECT_LE(got[ch], want.hi + tolerance) << "channel " << ch;
      }
    }
    // Outside the round face nothing is drawn: the corners stay fully transparent.
    for (auto [x, y] : {std::pair{0, 0}, std::pair{15, 0}, std::pair{0, 15}, std::pair{15, 15}})
      EXPECT_EQ(face.Pixel(x, y), 0u) << look.name << " corner " << x << "," << y;
  }
}

TEST_F(SmoothFace, WithoutBevelTheBodyShowsPlain) {
  TAlphaBitmap with(16, 16), without(16, 16);
  TSmoothFace params;
  params.Width = params.Height = 16;
  params.Color = 7237229;
  with.DrawFace(params);
  params.Bevel = false;
  without.DrawFace(params);
  // Under the ring the white shows; inside it the two faces are alike.
  EXPECT_GT(with.Pixel(7, 2) & 0xFF, without.Pixel(7, 2) & 0xFF);
  EXPECT_EQ(with.Pixel(7, 11), without.Pixel(7, 11));
}

TEST_F(SmoothFace, BelowSixPixelsHighOnlyTheBevelRingIsDrawn) {
  for (int height : {5, 3}) {
    SCOPED_TRACE(height);
    TAlphaBitmap face(16, height);
    TSmoothFace params;
    params.Width = 16;
    params.Height = height;
    params.Color = 16750899;
    face.DrawFace(params);
    bool any = false;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < 16; ++x) {
        const std::uint32_t px = face.Pixel(x, y);
        const unsigned a = px >> 24, r = px >> 16 & 255, g = px >> 8 & 255, b = px & 255;
        // Premultiplied white at partial alpha: red, green and blue equal the alpha, never the blue face.
        EXPECT_TRUE(r == a && g == a && b == a) << x << "," << y << " " << std::hex << px;
        EXPECT_LE(a, 160u);
        any = any || a != 0;
      }
    EXPECT_TRUE(any);
  }
}

}  // namespace
}  // namespace px2d
