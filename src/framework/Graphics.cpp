#include "Graphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <tuple>
#include <type_traits>
#include <vector>

#include "SysUtils.h"
#include "core/BmpLayout.h"

namespace px2d {

int ScreenPixelsPerInch() {
  static const int dpi = [] {
    TWindowDC dc(nullptr);
    const int value = dc.Get() ? GetDeviceCaps(dc.Get(), LOGPIXELSY) : 96;
    return value > 0 ? value : 96;
  }();
  return dpi;
}

HBRUSH SolidBrushOf(COLORREF Color) {
  static std::map<COLORREF, TGdiObject<HBRUSH>> brushes;
  auto& brush = brushes[Color];
  if (!brush) brush.Reset(CreateSolidBrush(Color));
  return brush.Get();
}

namespace {

// The system colours of dark mode, as Windows' own dark apps show them; the others stay the system's.
COLORREF DarkSystemColor(int Index) {
  switch (Index) {
    case COLOR_WINDOW:
      return RGB(32, 32, 32);
    case COLOR_BTNFACE:
      return RGB(43, 43, 43);
    case COLOR_WINDOWTEXT:
    case COLOR_BTNTEXT:
      return RGB(240, 240, 240);
    case COLOR_GRAYTEXT:
      return RGB(157, 157, 157);
    case COLOR_BTNSHADOW:
      return RGB(20, 20, 20);
    case COLOR_BTNHIGHLIGHT:
    case COLOR_3DLIGHT:
      return RGB(64, 64, 64);
    case COLOR_3DDKSHADOW:
      return RGB(0, 0, 0);
    case COLOR_HIGHLIGHT:
      return RGB(0, 120, 215);
    case COLOR_HIGHLIGHTTEXT:
      return RGB(255, 255, 255);
    default:
      return GetSysColor(Index);
  }
}

int DarkModeState = -1;  // -1: not asked yet

}  // namespace

COLORREF ColorToRGB(TColor Color) {
  if (Color < 0) return DarkMode() ? DarkSystemColor(Color & 0xFF) : GetSysColor(Color & 0xFF);
  return static_cast<COLORREF>(Color) & 0xFFFFFF;
}

COLORREF TextColor(TColor Color) {
  const COLORREF rgb = ColorToRGB(Color);
  return Color < 0 || !DarkMode() ? rgb : LightnessTurnedRound(rgb);
}

COLORREF LightnessTurnedRound(COLORREF Color) {
  // Lightness turned round in HSL: L' = 1 - L, which keeps the hue and the saturation. A channel is
  // L plus an amount that only hue and chroma decide, and the chroma of 1 - L is that of L: every
  // channel moves by 1 - 2 L, L being the mean of the highest and the lowest.
  const double r = GetRValue(Color) / 255.0, g = GetGValue(Color) / 255.0, b = GetBValue(Color) / 255.0;
  const double high = std::max({r, g, b}), low = std::min({r, g, b});
  const double shift = 1 - high - low;
  const auto channel = [&](double c) {
    return static_cast<BYTE>(std::lround(std::clamp(c + shift, 0.0, 1.0) * 255));
  };
  return RGB(channel(r), channel(g), channel(b));
}

bool DarkMode() {
  if (HighContrast()) return false;
  if (DarkModeState < 0) RefreshDarkMode();
  return DarkModeState == 1;
}

void RefreshDarkMode() {
  DWORD light = 1, size = sizeof light;
  const LSTATUS status =
      RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                   L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &light, &size);
  DarkModeState = status == ERROR_SUCCESS && light == 0 ? 1 : 0;
}

namespace {
int HighContrastState = -1;  // -1: not asked yet
std::optional<bool> HighContrastForced;
double Luminance(COLORREF Color) {
  const auto channel = [](int Value) {
    const double c = Value / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(GetRValue(Color)) + 0.7152 * channel(GetGValue(Color)) +
         0.0722 * channel(GetBValue(Color));
}
}  // namespace

bool HighContrast() {
  if (HighContrastForced) return *HighContrastForced;
  if (HighContrastState < 0) RefreshHighContrast();
  return HighContrastState == 1;
}

void ForceHighContrast(std::optional<bool> Value) { HighContrastForced = Value; }

void RefreshHighContrast() {
  HIGHCONTRASTA contrast{};
  contrast.cbSize = sizeof contrast;
  HighContrastState = SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
                              (contrast.dwFlags & HCF_HIGHCONTRASTON)
                          ? 1
                          : 0;
}

namespace {
// The visual styles' calls, taken from the system's library on first use: a system without visual
// styles has none of them.
struct TStyleCalls {
  HANDLE(WINAPI* OpenThemeData)(HWND, LPCWSTR) = nullptr;
  HRESULT(WINAPI* CloseThemeData)(HANDLE) = nullptr;
  HANDLE(WINAPI* GetWindowTheme)(HWND) = nullptr;
  HRESULT(WINAPI* SetWindowTheme)(HWND, LPCWSTR, LPCWSTR) = nullptr;
  HRESULT(WINAPI* DrawThemeBackground)(HANDLE, HDC, int, int, const RECT*, const RECT*) = nullptr;
  HRESULT(WINAPI* GetThemePartSize)(HANDLE, HDC, int, int, const RECT*, int, SIZE*) = nullptr;
};
const TStyleCalls& StyleCalls() {
  static const TStyleCalls calls = [] {
    TStyleCalls c;
    const HMODULE styles = LoadLibraryW(L"uxtheme.dll");
    if (!styles) return c;
    const auto take = [&](auto& Call, const char* Name) {
      Call = reinterpret_cast<std::remove_reference_t<decltype(Call)>>(
          reinterpret_cast<void*>(GetProcAddress(styles, Name)));
    };
    take(c.OpenThemeData, "OpenThemeData");
    take(c.CloseThemeData, "CloseThemeData");
    take(c.GetWindowTheme, "GetWindowTheme");
    take(c.SetWindowTheme, "SetWindowTheme");
    take(c.DrawThemeBackground, "DrawThemeBackground");
    take(c.GetThemePartSize, "GetThemePartSize");
    return c;
  }();
  return calls;
}

// Whether the system has the dark visual styles that Windows' own programs use: Windows 10 since 1809
// (build 17763) has them; Wine has none. The build is asked first, since an older system finds the
// plain class for a style name it does not know.
bool HasDarkStyles() {
  static const bool has = [] {
    using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto getVersion = reinterpret_cast<TRtlGetVersion>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!getVersion || getVersion(&version) != 0 || version.dwMajorVersion < 10 ||
        version.dwBuildNumber < 17763)
      return false;
    const TStyleCalls& calls = StyleCalls();
    if (!calls.OpenThemeData || !calls.CloseThemeData) return false;
    const HANDLE theme = calls.OpenThemeData(nullptr, L"DarkMode_Explorer::Button");
    if (theme) calls.CloseThemeData(theme);
    return theme != nullptr;
  }();
  return has;
}
}  // namespace

TControlStyle CurrentControlStyle() {
  // Without dark styles the system's own stays: the window draws what it would draw light.
  return HighContrast()                  ? TControlStyle::Classic
         : DarkMode() && HasDarkStyles() ? TControlStyle::Dark
                                         : TControlStyle::System;
}

bool SystemDrawsDark() { return CurrentControlStyle() == TControlStyle::Dark; }

void ApplyControlStyle(HWND Window, TControlStyle Style) {
  const auto setWindowTheme = StyleCalls().SetWindowTheme;
  if (!setWindowTheme) return;
  // A drop-down list's open list is a window of its own, which takes the style with the box.
  wchar_t name[16] = {};
  GetClassNameW(Window, name, 16);
  const bool list = lstrcmpiW(name, L"ComboBox") == 0;
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  const HWND open = list && GetComboBoxInfo(Window, &info) ? info.hwndList : nullptr;
  // A name that no visual style has takes every style away (the empty name would too on Windows,
  // but Wine refuses it); none gives the system's own back. The dark ones are those of Windows' own
  // programs: the drop-down lists have theirs, as in the system's file dialogs.
  switch (Style) {
    case TControlStyle::Dark:
      setWindowTheme(Window, list ? L"DarkMode_CFD" : L"DarkMode_Explorer", nullptr);
      if (open) setWindowTheme(open, L"DarkMode_Explorer", nullptr);
      break;
    case TControlStyle::Classic:
      setWindowTheme(Window, L" ", L" ");
      if (open) setWindowTheme(open, L" ", L" ");
      break;
    case TControlStyle::System:
      setWindowTheme(Window, nullptr, nullptr);
      if (open) setWindowTheme(open, nullptr, nullptr);
      break;
  }
}

bool DrawStyledPart(HWND Window, HDC DC, int Part, int State, RECT& Rect) {
  const TStyleCalls& calls = StyleCalls();
  const HANDLE theme = calls.GetWindowTheme ? calls.GetWindowTheme(Window) : nullptr;
  if (!theme || !calls.DrawThemeBackground || !calls.GetThemePartSize) return false;
  SIZE size{};
  if (FAILED(calls.GetThemePartSize(theme, DC, Part, State, nullptr, 1 /* TS_TRUE */, &size))) return false;
  Rect.top += (Rect.bottom - Rect.top - size.cy) / 2;
  Rect.right = Rect.left + size.cx;
  Rect.bottom = Rect.top + size.cy;
  return SUCCEEDED(calls.DrawThemeBackground(theme, DC, Part, State, &Rect, nullptr));
}

double ContrastRatio(COLORREF A, COLORREF B) {
  const double a = Luminance(A), b = Luminance(B);
  return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

COLORREF ReadableTextColor(COLORREF Preferred, COLORREF Background, double MinRatio) {
  if (ContrastRatio(Preferred, Background) >= MinRatio) return Preferred;
  // A design colour on a background of the other lightness (a dark scheme) keeps its hue if it can.
  if (const COLORREF turned = LightnessTurnedRound(Preferred); ContrastRatio(turned, Background) >= MinRatio)
    return turned;
  const COLORREF text = ColorToRGB(clWindowText);
  if (ContrastRatio(text, Background) >= MinRatio) return text;
  return BlackOrWhiteOn(Background);
}

COLORREF BlackOrWhiteOn(COLORREF Background) {
  return ContrastRatio(RGB(0, 0, 0), Background) >= ContrastRatio(RGB(255, 255, 255), Background)
             ? RGB(0, 0, 0)
             : RGB(255, 255, 255);
}

// --- TFont ---

namespace {
// The fonts in use, by everything that makes them differ; an entry lives while anyone holds it.
using TFontKey = std::tuple<std::string, int, unsigned, BYTE>;
std::map<TFontKey, std::weak_ptr<TFontResource>>& FontCache() {
  static std::map<TFontKey, std::weak_ptr<TFontResource>> cache;
  return cache;
}
}  // namespace

void TFont::Changed() {
  // The old GDI font stays alive until everyone told of the change has let it go.
  const TSharedFont old = std::move(FResource);
  if (OnChange) OnChange(this);
}

void TFont::SetName(const std::string& Value) {
  if (!Value.empty() && StoreIfChanged(FName, Value)) Changed();
}

void TFont::SetHeight(int Value) {
  if (StoreIfChanged(FHeight, Value)) Changed();
}

int TFont::Size() const { return -MulDiv(FHeight, 72, 96); }

void TFont::SetSize(int Value) { SetHeight(-MulDiv(Value, 96, 72)); }

void TFont::SetColor(TColor Value) {
  if (StoreIfChanged(FColor, Value)) Changed();
}

void TFont::SetStyle(TFontStyles Value) {
  if (StoreIfChanged(FStyle, Value)) Changed();
}

void TFont::SetPixelsPerInch(int Value) {
  if (Value > 0 && StoreIfChanged(FPixelsPerInch, Value)) Changed();
}

void TFont::Assign(const TFont& Source) {
  if (&Source == this) return;
  const int resolution = KeepsResolution ? FPixelsPerInch : Source.FPixelsPerInch;
  if (FName == Source.FName && FHeight == Source.FHeight && FColor == Source.FColor &&
      FStyle == Source.FStyle && FCharset == Source.FCharset && FPixelsPerInch == resolution)
    return;
  FName = Source.FName;
  FHeight = Source.FHeight;
  FColor = Source.FColor;
  FStyle = Source.FStyle;
  FCharset = Source.FCharset;
  FPixelsPerInch = resolution;
  Changed();
}

const TSharedFont& TFont::Resource() const {
  if (FResource) return FResource;
  const int height = PixelHeight();
  const TFontKey key{FName, height, FStyle, FCharset};
  auto& cache = FontCache();
  if (auto found = cache[key].lock()) {
    FResource = std::move(found);
    return FResource;
  }
  LOGFONTA lf{};
  lf.lfHeight = height;
  lf.lfWeight = (FStyle & fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = (FStyle & fsItalic) ? 1 : 0;
  lf.lfUnderline = (FStyle & fsUnderline) ? 1 : 0;
  lf.lfStrikeOut = (FStyle & fsStrikeOut) ? 1 : 0;
  lf.lfCharSet = FCharset;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH;
  lstrcpynA(lf.lfFaceName, FName.c_str(), LF_FACESIZE);
  FResource = std::make_shared<TFontResource>(CreateFontIndirectA(&lf));
  cache[key] = FResource;
  // Forget the entries nobody holds any more, so the cache never grows past the fonts in use.
  for (auto it = cache.begin(); it != cache.end();)
    it = it->second.expired() ? cache.erase(it) : std::next(it);
  return FResource;
}

// --- TCanvas ---

TCanvas::TCanvas() {
  FFont.OnChange = [this](TObject*) {
    // A changed font is selected afresh by the next text operation.
    if (FHandle && FOldFont) {
      SelectObject(FHandle, FOldFont);
      FOldFont = nullptr;
    }
  };
}

TCanvas::~TCanvas() { Deselect(); }

void TCanvas::Deselect() {
  if (FHandle && FOldFont) SelectObject(FHandle, FOldFont);
  FOldFont = nullptr;
}

void TCanvas::SetHandle(HDC Value) {
  if (FHandle == Value) return;
  Deselect();
  FHandle = Value;
}

void TCanvas::RequireFont() {
  if (!FHandle) return;
  HGDIOBJ old = SelectObject(FHandle, FFont.Handle());
  if (!FOldFont) FOldFont = old;
}

void TCanvas::FillRect(const RECT& Rect, TColor Color) {
  if (!FHandle) return;
  TGdiObject<HBRUSH> brush(CreateSolidBrush(ColorToRGB(Color)));
  ::FillRect(FHandle, &Rect, brush.Get());
}

void TCanvas::Draw(int X, int Y, TGraphic& Graphic) {
  if (!FHandle || Graphic.Empty()) return;
  const RECT rect{X, Y, X + Graphic.Width(), Y + Graphic.Height()};
  Graphic.Draw(*this, rect);
}

void TCanvas::StretchDraw(const RECT& Rect, TGraphic& Graphic) {
  if (!FHandle || Graphic.Empty()) return;
  Graphic.Draw(*this, Rect);
}

// --- TGraphic ---

void TGraphic::Assign(const TObject*) { throw Exception("Cannot assign to a graphic of this kind"); }

void TGraphic::LoadFromFile(const std::string& FileName) {
  TMemoryStream stream;
  stream.LoadFromFile(FileName);
  LoadFromStream(&stream);
}

// --- TDibSurface ---

TDibSurface::TDibSurface(int Width, int Height) : FWidth(Width), FHeight(Height), FDC(nullptr) {
  if (Width <= 0 || Height <= 0) throw Exception("Invalid bitmap size");
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = Width;
  info.bmiHeader.biHeight = -Height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  FBitmap.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!FBitmap || !FDC.Get()) RaiseLastOSError();
  FBits = static_cast<std::uint32_t*>(bits);
  FOld = SelectObject(FDC.Get(), FBitmap.Get());
}

TDibSurface::~TDibSurface() {
  if (FOld) SelectObject(FDC.Get(), FOld);
}

std::uint32_t TDibSurface::Pixel(int X, int Y) const {
  if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return 0;
  GdiFlush();
  return FBits[static_cast<std::size_t>(Y) * FWidth + X];
}

void TDibSurface::Fill(COLORREF Color) {
  GdiFlush();
  const std::uint32_t value =
      0xFF000000u | (GetRValue(Color) << 16) | (GetGValue(Color) << 8) | GetBValue(Color);
  std::fill_n(FBits, static_cast<std::size_t>(FWidth) * FHeight, value);
}

// --- TBitmap ---

void TBitmap::SetSize(int AWidth, int AHeight) {
  if (AWidth <= 0 || AHeight <= 0) {
    FSurface.reset();
  } else {
    FSurface = std::make_unique<TDibSurface>(AWidth, AHeight);
    FSurface->Fill(RGB(255, 255, 255));
  }
  Changed();
}

void TBitmap::SetTransparent(bool Value) {
  if (FTransparent == Value) return;
  FTransparent = Value;
  Changed();
}

COLORREF TBitmap::TransparentColor() const {
  if (!FSurface) return 0;
  const std::uint32_t p = FSurface->Pixel(0, FSurface->Height() - 1);
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

void TBitmap::Assign(const TObject* Source) {
  const auto* other = dynamic_cast<const TBitmap*>(Source);
  if (Source && !other) {
    TGraphic::Assign(Source);
    return;
  }
  if (!other || other->Empty()) {
    FSurface.reset();
  } else {
    FSurface = std::make_unique<TDibSurface>(other->Width(), other->Height());
    GdiFlush();
    std::memcpy(FSurface->Bits(), other->FSurface->Bits(),
                static_cast<std::size_t>(other->Width()) * other->Height() * 4);
  }
  FTransparent = other ? other->FTransparent : false;
  Changed();
}

void TBitmap::LoadFromStream(TStream* Stream) {
  if (!Stream) return;
  TMemoryStream bytes;
  bytes.LoadFromStream(*Stream);
  const auto& b = bytes.Bytes();
  // Nothing of the file reaches GDI before every field has been checked against its bytes.
  const std::optional<TBmpLayout> layout = BmpLayoutOf(b);
  if (!layout) throw Exception("Bitmap image is not valid");
  // GDI reads the headers as 32-bit words: they go to it from an aligned copy, and the pixels and
  // any colour profile with them, at the offsets the header gives.
  std::vector<std::uint32_t> info((b.size() - layout->InfoOffset + 3) / 4);
  std::memcpy(info.data(), b.data() + layout->InfoOffset, b.size() - layout->InfoOffset);
  const auto* header = reinterpret_cast<const BITMAPINFO*>(info.data());
  const auto* bits =
      reinterpret_cast<const std::uint8_t*>(info.data()) + (layout->BitsOffset - layout->InfoOffset);
  auto surface = std::make_unique<TDibSurface>(layout->Width, layout->Height);
  const int rows = SetDIBitsToDevice(surface->DC(), 0, 0, layout->Width, layout->Height, 0, 0, 0,
                                     layout->Height, bits, header, DIB_RGB_COLORS);
  if (rows <= 0) throw Exception("Bitmap image is not valid");
  FSurface = std::move(surface);
  Changed();
}

void TBitmap::SaveToStream(TStream& Stream) const {
  if (!FSurface) return;
  const int width = FSurface->Width(), height = FSurface->Height();
  const DWORD rowBytes = static_cast<DWORD>((width * 3 + 3) & ~3);
  const DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + imageBytes;
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = imageBytes;
  std::vector<std::uint8_t> image(imageBytes);
  GdiFlush();
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* src = FSurface->Bits() + static_cast<std::size_t>(height - 1 - y) * width;
    std::uint8_t* dst = image.data() + static_cast<std::size_t>(y) * rowBytes;
    for (int x = 0; x < width; ++x) {
      dst[x * 3] = src[x] & 0xFF;
      dst[x * 3 + 1] = (src[x] >> 8) & 0xFF;
      dst[x * 3 + 2] = (src[x] >> 16) & 0xFF;
    }
  }
  Stream.Write(&file, sizeof(file));
  Stream.Write(&header, sizeof(header));
  Stream.Write(image.data(), image.size());
}

void TBitmap::Draw(TCanvas& Canvas, const RECT& Rect) {
  if (!FSurface) return;
  const int w = Rect.right - Rect.left, h = Rect.bottom - Rect.top;
  if (FTransparent) {
    // gdi32's own: msimg32's TransparentBlt would need a library of its own.
    GdiTransparentBlt(Canvas.Handle(), Rect.left, Rect.top, w, h, FSurface->DC(), 0, 0, Width(), Height(),
                      TransparentColor());
  } else {
    StretchBlt(Canvas.Handle(), Rect.left, Rect.top, w, h, FSurface->DC(), 0, 0, Width(), Height(), SRCCOPY);
  }
}

}  // namespace px2d
