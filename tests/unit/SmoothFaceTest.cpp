// The marker's face, drawn into a 16 by 16 picture and probed where its geometry puts each layer.
#include <gtest/gtest.h>

#include <memory>

#include "MarkerLook.h"
#include "controls/GDIPFill.h"
#include "controls/SmoothGDIP.h"

namespace px2d {
namespace {

using namespace px2d::testing;

class SmoothFace : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { Gdip = std::make_unique<TSmoothGDIP>(); }
  static void TearDownTestSuite() { Gdip.reset(); }
  static std::unique_ptr<TSmoothGDIP> Gdip;

  static TSmoothFace Face(int width, int height, COLORREF color, bool pressed) {
    TSmoothFace face;
    face.Width = width;
    face.Height = height;
    face.Color = static_cast<TColor>(color);
    face.Pressed = pressed;
    return face;
  }
};
std::unique_ptr<TSmoothGDIP> SmoothFace::Gdip;

TEST_F(SmoothFace, ColoursFollowTheFaceColour) {
  auto rgb = [](Rgb c) { return RGB(c.r, c.g, c.b); };
  for (const Look& look : Looks) {
    SCOPED_TRACE(look.name);
    const COLORREF f = SmoothFaceColor(static_cast<TColor>(look.color), true, look.pressed);
    EXPECT_EQ(f, rgb(look.f));
    EXPECT_EQ(ShiftColor(f, -40), rgb(look.fMinus40));
    EXPECT_EQ(ShiftColor(f, 100), rgb(look.fPlus100));
    EXPECT_EQ(ShiftColor(f, 220), rgb(look.fPlus220));
  }
  EXPECT_EQ(SmoothFaceColor(7237229, false, false), RGB(0x50, 0x50, 0x50));
  EXPECT_EQ(SmoothFaceColor(clWindow, true, false), GetSysColor(COLOR_WINDOW));
}

TEST_F(SmoothFace, SixteenBySixteenMatchesTheColourTable) {
  for (const Look& look : Looks) {
    TDibSurface face(16, 16);
    DrawFaceInto(face, Face(16, 16, look.color, look.pressed));
    for (const Probe& probe : Probes) EXPECT_EQ(face.Pixel(probe.x, probe.y) >> 24, 255u) << look.name;
    ExpectLook([&](int x, int y) { return face.Pixel(x, y); }, look);
    // Outside the round face nothing is drawn: the corners stay fully transparent.
    for (const POINT& p : Corners)
      EXPECT_EQ(face.Pixel(p.x, p.y), 0u) << look.name << " " << p.x << "," << p.y;
  }
}

TEST_F(SmoothFace, WithoutBevelTheBodyShowsPlain) {
  TDibSurface with(16, 16), without(16, 16);
  TSmoothFace face = Face(16, 16, 7237229, false);
  DrawFaceInto(with, face);
  face.Bevel = false;
  DrawFaceInto(without, face);
  // Under the ring the white shows; inside it the two faces are alike.
  EXPECT_GT(with.Pixel(7, 2) & 0xFF, without.Pixel(7, 2) & 0xFF);
  EXPECT_EQ(with.Pixel(7, 11), without.Pixel(7, 11));
}

TEST_F(SmoothFace, BelowSixPixelsHighOnlyTheBevelRingIsDrawn) {
  for (int height : {5, 3}) {
    SCOPED_TRACE(height);
    TDibSurface face(16, height);
    DrawFaceInto(face, Face(16, height, 16750899, false));
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
