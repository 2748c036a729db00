#include "GlassDrawing.h"

#include <algorithm>
#include <map>
#include <vector>

namespace px2d {

using Gdiplus::Color;
using Gdiplus::GraphicsPath;
using Gdiplus::PointF;
using Gdiplus::REAL;
using Gdiplus::RectF;

namespace {

// --- Colour mixing and outlines ---

// A colour as stored, red in the low byte, with an alpha; system colour values are not resolved.
Color StoredColor(TColor c, BYTE alpha) {
  return Color(alpha, static_cast<BYTE>(c & 0xFF), static_cast<BYTE>((c >> 8) & 0xFF),
               static_cast<BYTE>((c >> 16) & 0xFF));
}

// A colour resolved to RGB (system colours included), opaque.
Color ResolvedColor(TColor c) {
  const COLORREF rgb = ColorToRGB(c);
  return Color(255, GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

void AddTopRounded(GraphicsPath& path, REAL x, REAL y, REAL w, REAL h, REAL r) {
  const REAL d = 2 * r;
  path.AddArc(x, y, d, d, 180, 90);
  path.AddLine(x + r, y, x + w - r, y);
  path.AddArc(x + w - d, y, d, d, 270, 90);
  path.AddLine(x + w, y + r, x + w, y + h);
  path.AddLine(x + w, y + h, x, y + h);
  path.AddLine(x, y + h, x, y + r);
  path.CloseFigure();
}

int RoundHalfAway(double v) { return static_cast<int>(v < 0 ? v - 0.5 : v + 0.5); }

// One end a half circle of diameter h, the other a shallow inward curve; the divisor of the
// curve's middle point differs between the two directions.
void AddCurvedTab(GraphicsPath& path, int x, int y, int w, int h, TButtonDirection direction) {
  const auto X = [](int v) { return static_cast<REAL>(v); };
  if (direction == bdRight) {
    const PointF curve[5] = {{X(x), X(y)},
                             {X(x + h / 6), X(y + h / 4)},
                             {X(x + RoundHalfAway(h / 4.85)), X(y + h / 2)},
                             {X(x + h / 6), X(y + 3 * h / 4)},
                             {X(x), X(y + h)}};
    path.AddCurve(curve, 5);
    path.AddLine(X(x), X(y + h), X(x + w - h), X(y + h));
    path.AddArc(X(x + w - h), X(y), X(h), X(h), 90, -180);
    path.AddLine(X(x + w - h) + X(h) / 2, X(y), X(x), X(y));
  } else {
    path.AddArc(X(x), X(y), X(h), X(h), 90, 180);
    path.AddLine(X(x) + X(h) / 2, X(y), X(x + w), X(y));
    const PointF curve[5] = {{X(x + w), X(y)},
                             {X(x + w - h / 6), X(y + h / 4)},
                             {X(x + w - RoundHalfAway(h / 4.7)), X(y + h / 2)},
                             {X(x + w - h / 6), X(y + 3 * h / 4)},
                             {X(x + w), X(y + h)}};
    path.AddCurve(curve, 5);
    path.AddLine(X(x + w), X(y + h), X(x) + X(h) / 2, X(y + h));
  }
  path.CloseFigure();
}

void AddOutline(GraphicsPath& path, TButtonShape shape, TButtonDirection direction, int x, int y, int w,
                int h, int radius) {
  if (shape == btsCurvedRectangle)
    AddCurvedTab(path, x, y, w, h, direction);
  else
    AddRoundedRectangle(path, static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(w),
                        static_cast<REAL>(h), static_cast<REAL>(radius));
  path.CloseFigure();
}

// --- Symbols ---

void FillTriangle(Gdiplus::Graphics& g, Gdiplus::Brush& b, REAL x0, REAL y0, REAL x1, REAL y1, REAL x2,
                  REAL y2) {
  const PointF pts[3] = {{x0, y0}, {x1, y1}, {x2, y2}};
  g.FillPolygon(&b, pts, 3);
}

void DrawSymbol(Gdiplus::Graphics& g, TBackGroundSymbol symbol, Color color, int W, int H) {
  const int w1 = W - 1, h1 = H - 1;
  const REAL fw = static_cast<REAL>(w1), fh = static_cast<REAL>(h1);
  Gdiplus::SolidBrush brush(color);
  Gdiplus::Pen arrow(color, fh / 4);
  arrow.SetEndCap(Gdiplus::LineCapArrowAnchor);
  const auto F = [](int v) { return static_cast<REAL>(v); };
  // Two triangles between x0 and x2 through the middle x1, pointing right or left.
  const auto pair = [&](bool right, REAL shift) {
    const REAL top = F(h1 / 4), bottom = F(h1 - h1 / 4), mid = (top + bottom) / 2;
    const REAL xs[3] = {F(w1 / 4) + shift, F(w1 / 2) + shift, F(3 * w1 / 4) + shift};
    for (int i = 0; i < 2; ++i) {
      if (right)
        FillTriangle(g, brush, xs[i], top, xs[i + 1], mid, xs[i], bottom);
      else
        FillTriangle(g, brush, xs[i + 1], top, xs[i], mid, xs[i + 1], bottom);
    }
  };
  const REAL u = fw / 15, v = fh / 15;
  const PointF speaker[6] = {{4 * u, 6 * v},  {6 * u, 6 * v}, {9 * u, 3 * v},
                             {9 * u, 12 * v}, {6 * u, 9 * v}, {4 * u, 9 * v}};
  Gdiplus::Pen line(color, fw / 20);
  switch (symbol) {
    case bsArrowLeft:
      g.DrawLine(&arrow, fw - fw / 5, fh / 2, fw / 8, fh / 2);
      break;
    case bsArrowRight:
      g.DrawLine(&arrow, fw / 6, fh / 2, fw - fw / 8, fh / 2);
      break;
    case bsArrowUp:
      g.DrawLine(&arrow, fw / 2, fh - fh / 5, fw / 2, fh / 8);
      break;
    case bsArrowDown:
      g.DrawLine(&arrow, fw / 2, fh / 5, fw / 2, fh - fh / 8);
      break;
    case bsPlay:
      FillTriangle(g, brush, F(w1 / 20 + w1 / 4), F(h1 / 4), F(w1 / 20 + w1 - w1 / 4), F(h1 / 2),
                   F(w1 / 20 + w1 / 4), F(h1 - h1 / 4));
      break;
    case bsPause:
      g.FillRectangle(&brush, fw / 4, fh / 4, 0.2f * fw, fh / 2);
      g.FillRectangle(&brush, fw / 2 + fw / 20, fh / 4, 0.2f * fw, fh / 2);
      break;
    case bsStop:
      g.FillRectangle(&brush, fw / 4 + fw / 20, fh / 4 + fh / 20, fw / 2 - fw / 10, fh / 2 - fw / 10);
      break;
    case bsFastForward:
      pair(true, 0);
      g.FillRectangle(&brush, 3 * fw / 4, fh / 4, fw / 12, fh / 2);
      break;
    case bsForward:
      pair(true, F(w1 / 12));
      break;
    case bsBackward:
      pair(false, 0);
      break;
    case bsFastBackward:
      pair(false, 0);
      g.FillRectangle(&brush, fw / 4 - fw / 12, fh / 4, fw / 12, fh / 2);
      break;
    case bsSpeaker:
      g.DrawPolygon(&line, speaker, 6);
      g.DrawLine(&line, 11 * u, 5 * v, 11 * u, 10 * v);
      break;
    case bsNoSpeaker:
      g.DrawPolygon(&line, speaker, 6);
      g.DrawLine(&line, 10.5f * u, 5.5f * v, 13.5f * u, 9.5f * v);
      g.DrawLine(&line, 13.5f * u, 5.5f * v, 10.5f * u, 9.5f * v);
      break;
    case bsRecord: {
      const REAL d = std::min(fw, fh) / 2;
      g.FillEllipse(&brush, (fw - d) / 2, (fh - d) / 2, d, d);
      break;
    }
    case bsNone:
      break;
  }
}

// --- Caption fonts ---

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(n, 0)), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

int CALLBACK FoundFont(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

// What IsScreenFont found, per face, until fonts are installed or removed.
std::map<std::string, bool>& KnownScreenFonts() {
  static std::map<std::string, bool> known;
  return known;
}

// Whether the face is among the installed screen fonts. Asked once per face: the answer changes only
// when fonts are installed or removed, which the system announces to the top-level windows
// (WM_FONTCHANGE); the window then calls ForgetScreenFonts.
bool IsScreenFont(HDC dc, const std::string& name) {
  auto& known = KnownScreenFonts();
  const auto it = known.find(name);
  if (it != known.end()) return it->second;
  LOGFONTA lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(lf.lfFaceName, name.c_str(), LF_FACESIZE);
  bool found = false;
  EnumFontFamiliesExA(dc, &lf, &FoundFont, reinterpret_cast<LPARAM>(&found), 0);
  known[name] = found;
  return found;
}

// The colour a caption is drawn in over the face within Box, as it has been drawn so far: Preferred
// where it reads at MinRatio against every pixel there, else black or white, whichever reads better
// against the worst of them (for a disabled caption, MinRatio 3, a grey on that side). A face drawn
// on a surface whose pixels cannot be read keeps Preferred.
COLORREF ReadableCaption(HDC dc, const RECT& Box, COLORREF Preferred, double MinRatio) {
  const int w = Box.right - Box.left, h = Box.bottom - Box.top;
  if (w <= 0 || h <= 0) return Preferred;
  TDibSurface beneath(w, h);
  if (!beneath.DC() || !BitBlt(beneath.DC(), 0, 0, w, h, dc, Box.left, Box.top, SRCCOPY)) return Preferred;
  GdiFlush();
  std::vector<COLORREF> colors;
  for (int i = 0; i < w * h; ++i) {
    const std::uint32_t p = beneath.Bits()[i];
    colors.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
  }
  std::sort(colors.begin(), colors.end());
  colors.erase(std::unique(colors.begin(), colors.end()), colors.end());
  const auto worst = [&](COLORREF text) {
    double ratio = 21;
    for (COLORREF c : colors) ratio = std::min(ratio, ContrastRatio(text, c));
    return ratio;
  };
  if (worst(Preferred) >= MinRatio) return Preferred;
  const bool dark = worst(RGB(0, 0, 0)) >= worst(RGB(255, 255, 255));
  if (MinRatio >= 4.5) return dark ? RGB(0, 0, 0) : RGB(255, 255, 255);
  // A disabled caption: the grey nearest the face that still reads, so that it looks unlike an
  // enabled one.
  COLORREF grey = dark ? RGB(0, 0, 0) : RGB(255, 255, 255);
  for (int step = 1; step < 128; ++step) {
    const int level = dark ? step : 255 - step;
    if (worst(RGB(level, level, level)) < MinRatio) break;
    grey = RGB(level, level, level);
  }
  return grey;
}

}  // namespace

void ForgetScreenFonts() { KnownScreenFonts().clear(); }

void DrawGlassFace(TCanvas& Canvas, const TGlassFace& Face) {
  {
    Gdiplus::Graphics surface(Canvas.Handle());
    surface.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    DrawGlassBody(surface, Face);
  }
  DrawPictureAndCaption(Canvas, Face);
}

// --- Glass ---

namespace {

// The opacity of the body's tint: half, unless the tint is light and the background beneath the
// body's lower part so dark that half of it would leave less than a black caption needs (a relative
// luminance of 0.18, for 4.5:1); then the least opacity that gives that.
BYTE BodyAlpha(Gdiplus::Graphics& g, const TGlassFace& Face) {
  constexpr BYTE kHalf = 127;
  constexpr double kNeeded = 0.18;
  const COLORREF tint = ColorToRGB(Face.BackColor);
  if (ContrastRatio(tint, RGB(0, 0, 0)) < 4.5) return kHalf;
  const HDC dc = g.GetHDC();
  const COLORREF beneath = GetPixel(dc, Face.Width / 2, Face.Height * 3 / 4);
  g.ReleaseHDC(dc);
  if (beneath == CLR_INVALID) return kHalf;
  for (int alpha = kHalf; alpha < 255; alpha += 4) {
    const auto mix = [&](int a, int b) { return static_cast<BYTE>((a * alpha + b * (255 - alpha)) / 255); };
    const COLORREF body =
        RGB(mix(GetRValue(tint), GetRValue(beneath)), mix(GetGValue(tint), GetGValue(beneath)),
            mix(GetBValue(tint), GetBValue(beneath)));
    if (ContrastRatio(body, RGB(0, 0, 0)) >= (kNeeded + 0.05) / 0.05) return static_cast<BYTE>(alpha);
  }
  return 255;
}

}  // namespace

void DrawGlassBody(Gdiplus::Graphics& g, const TGlassFace& Face) {
  const int W = Face.Width, H = Face.Height;
  const REAL r = static_cast<REAL>(Face.CornerRadius);
  if (Face.HighContrast) {
    // The scheme's own colours, opaque, without tint, shine or glow: the button face, and the
    // highlight for the button that is down; outlined in the button text colour.
    const auto opaque = [](int Index) {
      const COLORREF c = GetSysColor(Index);
      return Gdiplus::Color(255, GetRValue(c), GetGValue(c), GetBValue(c));
    };
    // A disabled face stays the button face, down or not, where the scheme's grey text reads.
    GraphicsPath outline;
    AddOutline(outline, Face.Shape, Face.Direction, 0, 0, W - 1, H - 1, Face.CornerRadius);
    Gdiplus::SolidBrush brush(opaque(Face.Down && Face.Enabled ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    g.FillPath(&brush, &outline);
    Gdiplus::Pen pen(opaque(COLOR_BTNTEXT), 1);
    g.DrawPath(&pen, &outline);
    return;
  }
  // Outer border over the whole client area, last column and row included.
  {
    GraphicsPath outer;
    AddOutline(outer, Face.Shape, Face.Direction, 0, 0, W - 1, H - 1, Face.CornerRadius);
    Gdiplus::Pen pen(ResolvedColor(Face.OuterBorderColor), 1);
    g.DrawPath(&pen, &outer);
  }
  // The tinted body, half transparent; over a background so dark that half the tint would leave the
  // body too dark for a caption in black (and the shine too light for one in white), as much more of
  // the tint as a black caption needs.
  GraphicsPath body;
  AddOutline(body, Face.Shape, Face.Direction, 1, 1, W - 3, H - 3, Face.CornerRadius);
  {
    Gdiplus::SolidBrush brush(StoredColor(Face.BackColor, BodyAlpha(g, Face)));
    g.FillPath(&brush, &body);
  }
  // The glow rises from the middle of the lower edge while pressed or down.
  if (Face.Down) {
    g.SetClip(&body, Gdiplus::CombineModeReplace);
    const REAL w0 = static_cast<REAL>(W - 4), h0 = static_cast<REAL>(H - 4);
    GraphicsPath glow;
    glow.AddEllipse(RectF(1 - 0.35f * w0, 1 - 0.15f * h0, 1.7f * w0, 2.3f * h0));
    glow.CloseFigure();
    Gdiplus::PathGradientBrush brush(&glow);
    brush.SetCenterColor(StoredColor(Face.GlowColor, 173));
    Gdiplus::Color surround = StoredColor(Face.GlowColor, 0);
    INT count = 1;
    brush.SetSurroundColors(&surround, &count);
    g.FillPath(&brush, &glow);
    g.ResetClip();
  }
  // The shine over the upper half.
  if (W - 3 > 0 && (H - 3) / 2 > 0) {
    const REAL sh = static_cast<REAL>((H - 3) / 2 + 1);
    GraphicsPath shine;
    if (Face.Shape == btsCurvedRectangle) {
      AddCurvedTab(shine, 1, 1, W - 3, H - 3, Face.Direction);
      g.SetClip(RectF(1, 1, static_cast<REAL>(W - 3), sh), Gdiplus::CombineModeReplace);
    } else {
      AddTopRounded(shine, 1, 1, static_cast<REAL>(W - 3), sh, r);
    }
    Gdiplus::LinearGradientBrush brush(
        RectF(1, 1, static_cast<REAL>(W - 4), sh), StoredColor(Face.ShineColor, 153),
        StoredColor(Face.ShineColor, 153 / 3), Gdiplus::LinearGradientModeVertical);
    g.FillPath(&brush, &shine);
    g.ResetClip();
  }
  if (Face.SymbolColor != clNone && Face.Symbol != bsNone)
    DrawSymbol(g, Face.Symbol, StoredColor(Face.SymbolColor, 160), W, H);
  {
    GraphicsPath inner;
    AddOutline(inner, Face.Shape, Face.Direction, 1, 1, W - 3, H - 3, Face.CornerRadius);
    Gdiplus::Pen pen(ResolvedColor(Face.InnerBorderColor), 1);
    g.DrawPath(&pen, &inner);
  }
}

// --- Picture and caption ---

void DrawPictureAndCaption(TCanvas& Canvas, const TGlassFace& Face) {
  const int W = Face.Width, H = Face.Height;
  std::string text = Face.ShowCaption ? Face.Caption : std::string();
  const TFont& Font = *Face.Font;
  TGDIPPicture* const Picture = Face.Picture;
  HDC dc = Canvas.Handle();
  Gdiplus::Graphics g(dc);
  g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);

  // The focus outline, drawn before the caption; where there is one, only once the face beneath it
  // has been looked at for the caption's colour.
  const auto drawFocus = [&] {
    if (!Face.Focused) return;
    // The ring's insets are designed at 96 pixels per inch.
    const int ppi = Font.PixelsPerInch();
    const int inset = ScaleBy(4, ppi), tabX = ScaleBy(6, ppi), tabY = ScaleBy(5, ppi);
    GraphicsPath path;
    if (Face.Shape == btsCurvedRectangle)
      AddCurvedTab(path, tabX, tabY, W - 2 * tabX, H - 2 * tabY, Face.Direction);
    else
      AddRoundedRectangle(path, static_cast<REAL>(inset), static_cast<REAL>(inset),
                          static_cast<REAL>(W - 2 * inset), static_cast<REAL>(H - 2 * inset),
                          static_cast<REAL>(Face.CornerRadius - ScaleBy(2, ppi)));
    path.CloseFigure();
    Gdiplus::Pen pen(Color(255, 128, 128, 128), 1);
    g.DrawPath(&pen, &path);
  };
  if (text.empty()) drawFocus();

  const bool hasPicture = Picture && !Picture->Empty();
  int pw = 0, ph = 0;
  if (hasPicture) {
    Picture->MeasurePicture();
    // At its own size at 96 pixels per inch; scaled with the rest of the window at another resolution.
    pw = ScaleBy(Picture->Width(), Font.PixelsPerInch());
    ph = ScaleBy(Picture->Height(), Font.PixelsPerInch());
  }
  const int slot = !text.empty() && pw > 0 ? pw + 2 : pw;
  int px = std::max(0, (W - slot) / 2), py = std::max(0, (H - ph) / 2);

  if (!text.empty()) {
    // "\n" written out in a caption breaks the line.
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
      if (text[i] == '\\' && (text[i + 1] == 'n' || text[i + 1] == 'N')) {
        text[i] = '\n';
        text[i + 1] = '\r';
      }
    }
    Canvas.Font().SetName(Font.Name());
    Canvas.RequireFont();
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    const bool usable = (tm.tmPitchAndFamily & TMPF_VECTOR) && !(tm.tmPitchAndFamily & TMPF_DEVICE) &&
                        IsScreenFont(dc, Font.Name());
    const bool gdiplusText = Face.AntiAlias != aaNone && usable;

    // GDI+ breaks lines at a line feed; a carriage return beside one is dropped, as some GDI+
    // implementations draw it as a glyph of its own.
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const bool besideLineFeed =
          (i > 0 && text[i - 1] == '\n') || (i + 1 < text.size() && text[i + 1] == '\n');
      if (text[i] != '\r' || !besideLineFeed) lines += text[i];
    }
    const std::wstring wide = Widen(lines);
    const std::wstring family = Widen(Font.Name());
    Gdiplus::FontFamily fontFamily(family.c_str());
    INT style = Gdiplus::FontStyleRegular;
    if (Font.Style() & fsBold) style |= Gdiplus::FontStyleBold;
    if (Font.Style() & fsItalic) style |= Gdiplus::FontStyleItalic;
    if (Font.Style() & fsUnderline) style |= Gdiplus::FontStyleUnderline;
    // The whole point size at the control's own resolution, not the device's: the same size as
    // in points on the screen, and right on a window scaled to another resolution.
    Gdiplus::Font font(&fontFamily,
                       static_cast<REAL>(Font.Size()) * static_cast<REAL>(Font.PixelsPerInch()) / 72, style,
                       Gdiplus::UnitPixel);

    RectF rect(0, 0, static_cast<REAL>(W), static_cast<REAL>(H));
    Gdiplus::StringFormat format(0);
    Gdiplus::StringAlignment horizontal = Gdiplus::StringAlignmentCenter,
                             vertical = Gdiplus::StringAlignmentCenter;
    if (Face.Layout == blGlyphLeftAdjusted) horizontal = Gdiplus::StringAlignmentNear;
    if (Face.Layout == blGlyphRightAdjusted) horizontal = Gdiplus::StringAlignmentFar;
    if (Face.Layout == blGlyphTopAdjusted) vertical = Gdiplus::StringAlignmentNear;
    if (Face.Layout == blGlyphBottomAdjusted) vertical = Gdiplus::StringAlignmentFar;
    format.SetAlignment(horizontal);
    format.SetLineAlignment(vertical);
    format.SetHotkeyPrefix(Gdiplus::HotkeyPrefixShow);
    format.SetTrimming(Gdiplus::StringTrimmingNone);

    COLORREF textColor = Face.Enabled        ? ColorToRGB(Font.Color())
                         : Face.HighContrast ? GetSysColor(COLOR_GRAYTEXT)
                                             : RGB(128, 128, 128);
    g.SetTextRenderingHint(TextRenderingHintOf(Face.AntiAlias));

    REAL tw = 0, th = 0;
    if (gdiplusText) {
      RectF bounds;
      g.MeasureString(wide.c_str(), static_cast<INT>(wide.size()), &font, rect, &format, &bounds);
      tw = bounds.Width;
      th = bounds.Height;
    } else {
      Canvas.Font().Assign(Font);
      Canvas.RequireFont();
      SIZE size{};
      GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
      tw = static_cast<REAL>(size.cx);
      th = static_cast<REAL>(size.cy);
    }

    const REAL fW = static_cast<REAL>(W), fH = static_cast<REAL>(H);
    const REAL fslot = static_cast<REAL>(slot), fph = static_cast<REAL>(ph);
    const int quarter = Face.Shape == btsCurvedRectangle ? H / 4 : 0;
    switch (Face.Layout) {
      case blGlyphLeft: {
        rect = RectF(fslot + 2, 0, fW - fslot - 2, fH);
        const REAL textLeft = rect.X + (rect.Width - tw) / 2;
        px = std::max(2, static_cast<int>(textLeft - fslot));
        py = std::max(0, (H - ph) / 2);
        break;
      }
      case blGlyphTop: {
        rect = RectF(0, fph, fW, fH - fph - 2);
        const REAL textTop = rect.Y + (rect.Height - th) / 2;
        py = std::max(2, static_cast<int>(textTop - fph - 2));
        break;
      }
      case blGlyphRight: {
        rect = RectF(2, 0, fW - fslot - 4, fH);
        const REAL textRight = rect.X + (rect.Width + tw) / 2;
        px = std::min(static_cast<int>(textRight + 2), W - slot);
        py = std::max(0, (H - ph) / 2);
        break;
      }
      case blGlyphBottom: {
        rect = RectF(0, 2, fW, fH - fph - 2);
        const REAL textBottom = rect.Y + (rect.Height + th) / 2;
        py = std::min(static_cast<int>(textBottom + 2), H - ph - 2);
        break;
      }
      case blGlyphLeftAdjusted: {
        const REAL left = fslot + 2 + static_cast<REAL>(quarter);
        rect = RectF(left, 0, fW - fslot - 2, fH);
        px = std::max(2, static_cast<int>(left) - slot);
        py = std::max(0, (H - ph) / 2);
        break;
      }
      case blGlyphRightAdjusted:
        rect = RectF(2, 0, fW - fslot - 4 - static_cast<REAL>(quarter), fH);
        px = W - slot - 2 - quarter;
        py = std::max(0, (H - ph) / 2);
        break;
      case blGlyphTopAdjusted:
        rect = RectF(0, fph, fW, fH - fph - 2);
        py = 2;
        break;
      case blGlyphBottomAdjusted:
        rect = RectF(0, 2, fW, fH - fph - 2);
        py = std::min(H / 2 + (H / 2 - ph) / 2, H - ph - 2);
        break;
    }

    // Where the caption's text lies: its measured size placed in its rectangle as aligned.
    const REAL textX = horizontal == Gdiplus::StringAlignmentNear  ? rect.X
                       : horizontal == Gdiplus::StringAlignmentFar ? rect.X + rect.Width - tw
                                                                   : rect.X + (rect.Width - tw) / 2;
    const REAL textY = vertical == Gdiplus::StringAlignmentNear  ? rect.Y
                       : vertical == Gdiplus::StringAlignmentFar ? rect.Y + rect.Height - th
                                                                 : rect.Y + (rect.Height - th) / 2;
    // The scheme's own colours in high contrast; otherwise a colour that reads on the face as drawn.
    if (!Face.HighContrast) {
      g.Flush(Gdiplus::FlushIntentionSync);
      // Within the borders: a caption wider than the body runs over them, but reads on the glass.
      const RECT box{std::max(2, static_cast<int>(textX)), std::max(2, static_cast<int>(textY)),
                     std::min(W - 2, static_cast<int>(textX + tw) + 1),
                     std::min(H - 2, static_cast<int>(textY + th) + 1)};
      textColor = ReadableCaption(dc, box, textColor, Face.Enabled ? 4.5 : 3.0);
    }
    drawFocus();
    Gdiplus::SolidBrush brush(Color(255, GetRValue(textColor), GetGValue(textColor), GetBValue(textColor)));

    if (gdiplusText) {
      g.DrawString(wide.c_str(), static_cast<INT>(wide.size()), &font, rect, &format, &brush);
    } else {
      // GDI draws on the device context only once GDI+ has finished with it and let it go, so that
      // the text comes after the face.
      const HDC locked = g.GetHDC();
      Canvas.Font().Assign(Font);
      Canvas.RequireFont();
      const int oldMode = SetBkMode(dc, TRANSPARENT);
      const COLORREF oldColor = SetTextColor(dc, textColor);
      RECT r{RoundHalfAway(rect.X), RoundHalfAway(rect.Y), RoundHalfAway(rect.X + rect.Width),
             RoundHalfAway(rect.Y + rect.Height)};
      UINT flags = DT_NOCLIP;
      flags |= horizontal == Gdiplus::StringAlignmentNear  ? DT_LEFT
               : horizontal == Gdiplus::StringAlignmentFar ? DT_RIGHT
                                                           : DT_CENTER;
      if (vertical != Gdiplus::StringAlignmentNear) {
        RECT calc = r;
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &calc, flags | DT_CALCRECT);
        const int textHeight = calc.bottom - calc.top;
        r.top = vertical == Gdiplus::StringAlignmentFar ? r.bottom - textHeight
                                                        : r.top + (r.bottom - r.top - textHeight) / 2;
      }
      DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
      SetTextColor(dc, oldColor);
      SetBkMode(dc, oldMode);
      g.ReleaseHDC(locked);
    }
  }

  if (hasPicture) {
    // The picture is drawn by GDI+ of its own on the same device context: what this one drew must be
    // on it first.
    g.Flush(Gdiplus::FlushIntentionSync);
    Canvas.StretchDraw(RECT{px, py, px + pw, py + ph}, *Picture);
  }
}

}  // namespace px2d
