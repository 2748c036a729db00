#include "GDIPFill.h"

#include "GDIPUtil.h"

// GDI+ needs the COM stream types, which the lean Windows header leaves out.
#include <objidl.h>

#include <gdiplus.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace px2d {

namespace {

constexpr double Pi = 3.14159265358979323846;
// Corner radius of the face: quarter arcs in squares of side 16 whatever the button's size.
constexpr int FaceRadius = 8;
// Corner radius of both outlines of the bevel ring.
constexpr int BevelRadius = 7;
constexpr BYTE BevelAlpha = 160;

Gdiplus::Color Opaque(COLORREF c) { return Gdiplus::Color(255, GetRValue(c), GetGValue(c), GetBValue(c)); }

// The arc of the circle through the face's two halves along which the upper and lower bodies meet.
struct TCutArc {
  Gdiplus::RectF Square;
  float Start = 0, Sweep = 0;
};

TCutArc CutArc(int w, int B, int s) {
  const double halfW = w / 2.0;
  const double rho = (halfW * halfW + double(s) * s) / (2.0 * s);
  const int r = static_cast<int>(std::lround(rho));
  const int c = w / 2;
  const double theta = rho == s ? 90.0 : std::atan(halfW / (rho - s)) * 180.0 / Pi;
  TCutArc arc;
  arc.Square = Gdiplus::RectF(float(c - r), float(B - 2 * r), float(2 * r), float(2 * r));
  arc.Start = float(90.0 + theta);
  arc.Sweep = float(-2.0 * theta);
  return arc;
}

void AddArc(Gdiplus::GraphicsPath& path, int x, int y, int side, float start, float sweep) {
  path.AddArc(float(x), float(y), float(side), float(side), start, sweep);
}

void AddLine(Gdiplus::GraphicsPath& path, int x1, int y1, int x2, int y2) {
  path.AddLine(float(x1), float(y1), float(x2), float(y2));
}

// A vertical gradient over the rectangle through three stops, interpolated in linear light.
void FillGradient(Gdiplus::Graphics& g, const Gdiplus::GraphicsPath& shape, const Gdiplus::RectF& rect,
                  const COLORREF (&colors)[3], const float (&positions)[3]) {
  Gdiplus::LinearGradientBrush brush(rect, Opaque(colors[0]), Opaque(colors[2]),
                                     Gdiplus::LinearGradientModeVertical);
  const Gdiplus::Color stops[3] = {Opaque(colors[0]), Opaque(colors[1]), Opaque(colors[2])};
  brush.SetInterpolationColors(stops, positions, 3);
  brush.SetGammaCorrection(TRUE);
  brush.SetWrapMode(Gdiplus::WrapModeTile);
  g.FillPath(&brush, &shape);
}

}  // namespace

COLORREF ShiftColor(COLORREF Color, int Delta) {
  auto clamp = [Delta](int v) { return static_cast<BYTE>(std::clamp(v + Delta, 0, 255)); };
  return RGB(clamp(GetRValue(Color)), clamp(GetGValue(Color)), clamp(GetBValue(Color)));
}

COLORREF SmoothFaceColor(TColor Color, bool Enabled, bool Pressed) {
  const COLORREF base = Enabled ? ColorToRGB(Color) : RGB(0x50, 0x50, 0x50);
  if (!Pressed) return base;
  // The value of the colour in HSV times 0.8, hue and saturation kept: every component times 0.8.
  auto darken = [](int v) { return static_cast<BYTE>(std::lround(v * 0.8)); };
  return RGB(darken(GetRValue(base)), darken(GetGValue(base)), darken(GetBValue(base)));
}

void DrawSmoothFace(Gdiplus::Graphics& g, const TSmoothFace& Face) {
  const int W = Face.Width, H = Face.Height;
  if (W <= 0 || H <= 0) return;
  const int h2 = H / 2, h6 = H / 6;
  const COLORREF F = SmoothFaceColor(Face.Color, Face.Enabled, Face.Pressed);

  // The dark band behind the seam of the two bodies.
  {
    Gdiplus::SolidBrush band(Opaque(ShiftColor(F, -40)));
    g.FillRectangle(&band, 0, h2 - h6, W - 1, 2 * h6);
  }

  const int s = h6;
  if (s > 0) {
    const int L = 0, T = 0, R = W - 1, B = h2, h = h2, a = ScaleBy(FaceRadius, Face.PixelsPerInch);
    const TCutArc cut = CutArc(W - 1, B, s);

    Gdiplus::GraphicsPath lower;
    lower.AddArc(cut.Square, cut.Start, cut.Sweep);
    AddLine(lower, R, B - s, R, T + 2 * h - a);
    AddArc(lower, R - 2 * a, T + 2 * h - 2 * a, 2 * a, 0, 90);
    AddLine(lower, R - a, T + 2 * h, L + a, T + 2 * h);
    AddArc(lower, L, T + 2 * h - 2 * a, 2 * a, 90, 90);
    AddLine(lower, L, T + 2 * h - a, L, B - s);
    lower.CloseFigure();
    const COLORREF lowerColors[3] = {ShiftColor(F, -40), ShiftColor(F, 100), ShiftColor(F, 220)};
    const float lowerStops[3] = {0.0f, 0.9f, 1.0f};
    FillGradient(g, lower, Gdiplus::RectF(-1.0f, float(h2 - h6 - 1), float(W + 1), float(h2 + h6 + 2)),
                 lowerColors, lowerStops);

    Gdiplus::GraphicsPath upper;
    AddArc(upper, L, T, 2 * a, 180, 90);
    AddLine(upper, L + a, T, R - a, T);
    AddArc(upper, R - 2 * a, T, 2 * a, 270, 90);
    AddLine(upper, R, T + a, R, B - s);
    upper.AddArc(cut.Square, cut.Start, cut.Sweep);
    AddLine(upper, L, B - s, L, T + a);
    upper.CloseFigure();
    const COLORREF upperColors[3] = {ShiftColor(F, 220), ShiftColor(F, 100), F};
    const float upperStops[3] = {0.0f, 0.2f, 1.0f};
    FillGradient(g, upper, Gdiplus::RectF(-1.0f, -1.0f, float(W + 1), float(h2 + 3)), upperColors,
                 upperStops);
  }

  if (Face.CheckColor != clNone) {
    // A third of the smaller side across, outlined in the face's own colour so that it stands
    // apart from the face's light and dark bands alike.
    const float d = std::max(3.0f, static_cast<float>(std::min(W, H)) / 3);
    const float x = (static_cast<float>(W) - 1 - d) / 2, y = (static_cast<float>(H) - 1 - d) / 2;
    Gdiplus::SolidBrush dot(Opaque(ColorToRGB(Face.CheckColor)));
    g.FillEllipse(&dot, x, y, d, d);
    Gdiplus::Pen rim(Opaque(F), std::max(1.0f, d / 6));
    g.DrawEllipse(&rim, x, y, d, d);
  }

  if (Face.Bevel) {
    // Both outlines in one figure, filled by the even-odd rule: only the band between them shows.
    Gdiplus::GraphicsPath ring(Gdiplus::FillModeAlternate);
    const int bevelRadius = ScaleBy(BevelRadius, Face.PixelsPerInch);
    AddRoundedRectangle(ring, 0, 1, float(W - 1), float(H - 2), bevelRadius);
    AddRoundedRectangle(ring, 2, 3, float(W - 5), float(H - 6), bevelRadius);
    ring.CloseFigure();
    const COLORREF bevel = ColorToRGB(Face.BevelColor);
    Gdiplus::SolidBrush brush(
        Gdiplus::Color(BevelAlpha, GetRValue(bevel), GetGValue(bevel), GetBValue(bevel)));
    g.FillPath(&brush, &ring);
  }
}

void TGDIPFill::Assign(const TGDIPFill& Source) {
  if (&Source == this) return;
  SetColor(Source.FColor);
  SetBorderColor(Source.FBorderColor);
  SetRounding(Source.FRounding);
  SetShadow(Source.FShadow);
}

void DrawFaceInto(TDibSurface& Picture, const TSmoothFace& Face) {
  GdiFlush();
  std::memset(Picture.Bits(), 0, static_cast<size_t>(Picture.Width()) * Picture.Height() * 4);
  // GDI+ draws straight into the pixels, keeping their alpha; every object lives for this one drawing.
  Gdiplus::Bitmap target(Picture.Width(), Picture.Height(), Picture.Width() * 4, PixelFormat32bppPARGB,
                         reinterpret_cast<BYTE*>(Picture.Bits()));
  if (target.GetLastStatus() != Gdiplus::Ok) return;
  Gdiplus::Graphics g(&target);
  if (g.GetLastStatus() != Gdiplus::Ok) return;
  g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  DrawSmoothFace(g, Face);
}

// gdi32's own blend: msimg32's would be a library of its own to load.
void DrawWithAlpha(HDC Dest, const TDibSurface& Picture, int X, int Y) {
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  GdiAlphaBlend(Dest, X, Y, Picture.Width(), Picture.Height(), Picture.DC(), 0, 0, Picture.Width(),
                Picture.Height(), blend);
}

}  // namespace px2d
