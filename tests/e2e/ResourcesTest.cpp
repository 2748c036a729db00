// What the program carries in its own resources.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <span>
#include <vector>

#include "E2eSupport.h"
#include "Version.h"
#include "core/HotKeyText.h"
#include "support/IconSide.h"

namespace px2d::e2e {
namespace {

using px2d::test::IconSide;

struct TModule {
  explicit TModule(const std::wstring& path)
      : Handle(LoadLibraryExW(path.c_str(), nullptr,
                              LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
  ~TModule() {
    if (Handle) FreeLibrary(Handle);
  }
  TModule(const TModule&) = delete;
  TModule& operator=(const TModule&) = delete;
  HMODULE Handle;
};

// The bytes of one resource of the module; empty when it has none of that name and type.
std::span<const BYTE> ResourceBytes(HMODULE module, LPCSTR name, LPCSTR type) {
  HRSRC info = FindResourceA(module, name, type);
  HGLOBAL loaded = info ? LoadResource(module, info) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return {};
  return {static_cast<const BYTE*>(data), SizeofResource(module, info)};
}

// One entry of an RT_GROUP_ICON directory (GRPICONDIRENTRY: 14 bytes, packed).
struct TGroupEntry {
  int Side;  // 256 where the directory says 0
  int ColorCount;
  int BitCount;
  DWORD Bytes;
  WORD Id;
};

std::vector<TGroupEntry> GroupEntries(std::span<const BYTE> group) {
  std::vector<TGroupEntry> entries;
  if (group.size() < 6) return entries;
  WORD count = 0;
  std::memcpy(&count, group.data() + 4, 2);
  for (std::size_t i = 0; i < count && 6 + 14 * (i + 1) <= group.size(); ++i) {
    const BYTE* e = group.data() + 6 + 14 * i;
    WORD bits = 0, id = 0;
    DWORD bytes = 0;
    std::memcpy(&bits, e + 6, 2);
    std::memcpy(&bytes, e + 8, 4);
    std::memcpy(&id, e + 12, 2);
    entries.push_back({e[0] == 0 ? 256 : e[0], e[2], bits, bytes, id});
  }
  return entries;
}

// The bytes of a 1-, 4-, 8-, 24- or 32-bit DIB of this width and height, rows padded to 4 bytes.
DWORD DibBytes(int width, int height, int bits) {
  return static_cast<DWORD>(((width * bits + 31) / 32) * 4 * height);
}

BITMAPINFOHEADER InfoHeader(std::span<const BYTE> bytes) {
  BITMAPINFOHEADER header{};
  if (bytes.size() >= sizeof header) std::memcpy(&header, bytes.data(), sizeof header);
  return header;
}

struct TIconImage {
  int Side;
  int BitCount;
};

// The program's icon images, in the order of the icon's directory: among the true-colour ones every
// size that the title bar and the task bar ask for between 96 and 192 pixels per inch.
constexpr TIconImage kIconImages[] = {{48, 4},   {32, 4},   {16, 4},  {48, 8},  {32, 8},  {16, 8},
                                      {256, 32}, {128, 32}, {96, 32}, {80, 32}, {72, 32}, {64, 32},
                                      {48, 32},  {40, 32},  {32, 32}, {24, 32}, {20, 32}, {16, 32}};

TEST(Resources, ProgramCarriesTheKeyCapsInItsStringTable) {
  const TModule program(ProgramPath());
  ASSERT_NE(program.Handle, nullptr);
  const UINT ids[hcWin] = {65340, 65341, 65342, 65343, 65312, 65313, 65314, 65315, 65316,
                           65317, 65318, 65319, 65320, 65321, 65322, 65323, 65324, 65325};
  for (int i = 0; i < hcWin; ++i) {
    char buffer[256] = {};
    ASSERT_GT(LoadStringA(program.Handle, ids[i], buffer, sizeof buffer), 0) << ids[i];
    EXPECT_EQ(std::string(buffer), EnglishHotKeyCaps()[static_cast<std::size_t>(i)]) << ids[i];
  }
}

TEST(Resources, MainIconIsTheFirstIconGroupAndHoldsItsImages) {
  const TModule program(ProgramPath());
  ASSERT_NE(program.Handle, nullptr);
  // Explorer shows the first icon group of the executable as its icon.
  std::string first;
  EnumResourceNamesA(
      program.Handle, RT_GROUP_ICON,
      [](HMODULE, LPCSTR, LPSTR name, LONG_PTR param) -> BOOL {
        *reinterpret_cast<std::string*>(param) = IS_INTRESOURCE(name) ? "#" : name;
        return FALSE;
      },
      reinterpret_cast<LONG_PTR>(&first));
  EXPECT_EQ(first, "MAINICON");

  const auto entries = GroupEntries(ResourceBytes(program.Handle, "MAINICON", RT_GROUP_ICON));
  ASSERT_EQ(entries.size(), std::size(kIconImages));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const TGroupEntry& entry = entries[i];
    const TIconImage& want = kIconImages[i];
    SCOPED_TRACE(testing::Message() << "image " << i << ": " << want.Side << " px, " << want.BitCount
                                    << " bpp");
    EXPECT_EQ(entry.Side, want.Side);
    EXPECT_EQ(entry.BitCount, want.BitCount);
    EXPECT_EQ(entry.ColorCount, want.BitCount == 4 ? 16 : 0);
    const auto image = ResourceBytes(program.Handle, MAKEINTRESOURCEA(entry.Id), RT_ICON);
    ASSERT_EQ(image.size(), entry.Bytes);
    if (want.Side == 256) {
      const BYTE png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
      ASSERT_GE(image.size(), sizeof png);
      EXPECT_EQ(std::memcmp(image.data(), png, sizeof png), 0) << "the 256-pixel image is a PNG";
      continue;
    }
    const BITMAPINFOHEADER header = InfoHeader(image);
    EXPECT_EQ(header.biSize, sizeof header);
    EXPECT_EQ(header.biWidth, want.Side);
    EXPECT_EQ(header.biHeight, want.Side * 2) << "the colour image and its AND mask";
    EXPECT_EQ(header.biBitCount, want.BitCount);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
    // The header, the palette, the colour image and the 1-bit AND mask, nothing more or less.
    const DWORD palette = want.BitCount <= 8 ? 4u << want.BitCount : 0;
    EXPECT_EQ(image.size(), sizeof header + palette + DibBytes(want.Side, want.Side, want.BitCount) +
                                DibBytes(want.Side, want.Side, 1));
  }
}

// An icon drawn at its own size over magenta, as rows of pixels top to bottom.
std::vector<RGBQUAD> DrawnOverMagenta(HICON icon, int side) {
  std::vector<RGBQUAD> pixels(static_cast<std::size_t>(side * side), RGBQUAD{255, 0, 255, 0});
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), side, -side, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dib && bits) {
    HGDIOBJ old = SelectObject(dc, dib);
    std::memcpy(bits, pixels.data(), pixels.size() * sizeof(RGBQUAD));
    DrawIconEx(dc, 0, 0, icon, side, side, 0, nullptr, DI_NORMAL);
    GdiFlush();
    std::memcpy(pixels.data(), bits, pixels.size() * sizeof(RGBQUAD));
    SelectObject(dc, old);
    DeleteObject(dib);
  }
  DeleteDC(dc);
  return pixels;
}

TEST(Resources, EveryImageOfMainIconDrawsARedBadgeWithAWhitePAndLoadsAtItsSize) {
  const TModule program(ProgramPath());
  ASSERT_NE(program.Handle, nullptr);
  const auto group = ResourceBytes(program.Handle, "MAINICON", RT_GROUP_ICON);
  const auto entries = GroupEntries(group);
  ASSERT_EQ(entries.size(), std::size(kIconImages));
  // Each image made into an icon by itself (Wine decodes all of them, the PNG too) and drawn: the
  // corner shows what lies below, the face left of the stem is red, the stem of the P is white.
  for (const TGroupEntry& entry : entries) {
    const int side = entry.Side;
    SCOPED_TRACE(testing::Message() << side << " px, " << entry.BitCount << " bpp");
    const auto image = ResourceBytes(program.Handle, MAKEINTRESOURCEA(entry.Id), RT_ICON);
    HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(image.data()), static_cast<DWORD>(image.size()),
                                          TRUE, 0x00030000, side, side, 0);
    ASSERT_EQ(IconSide(icon), side);
    const auto pixels = DrawnOverMagenta(icon, side);
    DestroyIcon(icon);
    const auto at = [&](double x, double y) {
      return pixels[static_cast<std::size_t>(static_cast<int>(y * side) * side + static_cast<int>(x * side))];
    };
    const RGBQUAD corner = at(0, 0), face = at(0.15, 0.5), stem = at(0.36, 0.65);
    EXPECT_TRUE(corner.rgbRed == 255 && corner.rgbGreen == 0 && corner.rgbBlue == 255)
        << "transparent corner";
    EXPECT_TRUE(face.rgbRed >= 150 && face.rgbGreen <= 90 && face.rgbBlue <= 90) << "red face";
    EXPECT_TRUE(stem.rgbRed >= 235 && stem.rgbGreen >= 235 && stem.rgbBlue >= 235) << "white P";
  }
  // What a window asks for its title bar (16), its task-bar button (32) and more: the 32-bit image of
  // that size on a true-colour display.
  for (const int side : {16, 20, 24, 32, 40, 48, 64, 256}) {
    SCOPED_TRACE(testing::Message() << side << " px");
    HICON loaded = static_cast<HICON>(LoadImageA(program.Handle, "MAINICON", IMAGE_ICON, side, side, 0));
    EXPECT_EQ(IconSide(loaded), side);
    if (loaded) DestroyIcon(loaded);
    const int id = LookupIconIdFromDirectoryEx(const_cast<BYTE*>(group.data()), TRUE, side, side, 0);
    std::size_t picked = 0;
    while (picked < entries.size() && entries[picked].Id != id) ++picked;
    ASSERT_LT(picked, entries.size());
    EXPECT_EQ(entries[picked].Side, side);
    EXPECT_EQ(entries[picked].BitCount, 32);
  }
}

struct TScreenProbe {
  int X, Y;
  bool Marked;
  const char* Where;
};

// The eight marks, and places between them where both pictures show the same wallpaper.
constexpr TScreenProbe kScreenProbes[] = {{0, 0, true, "top-left corner"},
                                          {60, 1, true, "top middle"},
                                          {119, 0, true, "top-right corner"},
                                          {118, 45, true, "right middle"},
                                          {119, 89, true, "bottom-right corner"},
                                          {60, 88, true, "bottom middle"},
                                          {0, 89, true, "bottom-left corner"},
                                          {1, 45, true, "left middle"},
                                          {60, 45, false, "centre"},
                                          {9, 9, false, "beside the top-left triangle"},
                                          {35, 1, false, "top edge between marks"},
                                          {1, 25, false, "left edge between marks"},
                                          {90, 80, false, "towards the bottom right"}};

constexpr int kScreenWidth = 120;
constexpr int kScreenHeight = 90;

RGBTRIPLE ScreenPixel(std::span<const BYTE> bitmap, int x, int y) {
  RGBTRIPLE pixel{};
  const std::size_t stride = DibBytes(kScreenWidth, 1, 24);
  const std::size_t at = sizeof(BITMAPINFOHEADER) + (kScreenHeight - 1 - y) * stride + x * 3;  // bottom-up
  if (at + 3 <= bitmap.size()) std::memcpy(&pixel, bitmap.data() + at, 3);
  return pixel;
}

bool Dark(RGBTRIPLE p) { return p.rgbtRed < 64 && p.rgbtGreen < 64 && p.rgbtBlue < 64; }

TEST(Resources, BothScreensAre120By90UncompressedAt24Bits) {
  const TModule program(ProgramPath());
  ASSERT_NE(program.Handle, nullptr);
  for (const char* name : {"CORNERSCREEN", "PLAINSCREEN"}) {
    SCOPED_TRACE(name);
    const auto bitmap = ResourceBytes(program.Handle, name, RT_BITMAP);
    const BITMAPINFOHEADER header = InfoHeader(bitmap);
    EXPECT_EQ(header.biSize, sizeof header);
    EXPECT_EQ(header.biWidth, kScreenWidth);
    EXPECT_EQ(header.biHeight, kScreenHeight) << "bottom-up";
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(bitmap.size(), sizeof header + DibBytes(kScreenWidth, kScreenHeight, 24));
    // As the window loads it.
    HBITMAP loaded =
        static_cast<HBITMAP>(LoadImageA(program.Handle, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(loaded, nullptr);
    BITMAP info{};
    GetObjectA(loaded, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, kScreenWidth);
    EXPECT_EQ(info.bmHeight, kScreenHeight);
    EXPECT_EQ(info.bmBitsPixel, 24);
    DeleteObject(loaded);
  }
}

TEST(Resources, TheScreensDifferOnlyAtTheEightMarks) {
  const TModule program(ProgramPath());
  ASSERT_NE(program.Handle, nullptr);
  const auto corners = ResourceBytes(program.Handle, "CORNERSCREEN", RT_BITMAP);
  const auto plain = ResourceBytes(program.Handle, "PLAINSCREEN", RT_BITMAP);
  ASSERT_EQ(corners.size(), sizeof(BITMAPINFOHEADER) + DibBytes(kScreenWidth, kScreenHeight, 24));
  ASSERT_EQ(plain.size(), corners.size());
  for (const TScreenProbe& probe : kScreenProbes) {
    SCOPED_TRACE(testing::Message() << probe.Where << " (" << probe.X << ", " << probe.Y << ")");
    const RGBTRIPLE c = ScreenPixel(corners, probe.X, probe.Y);
    const RGBTRIPLE p = ScreenPixel(plain, probe.X, probe.Y);
    EXPECT_FALSE(Dark(p)) << "the plain desktop has no marks";
    if (probe.Marked) {
      EXPECT_TRUE(Dark(c)) << "a mark";
    } else {
      EXPECT_EQ(std::memcmp(&c, &p, 3), 0) << "the same wallpaper";
    }
  }
}

TEST(Resources, FilePropertiesNameTheProductItsMakerAndTheVersionOfTheBuild) {
  const std::wstring path = ProgramPath();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(PX2D_VERSION_MINOR, PX2D_VERSION_MAJOR)));
  EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(0, PX2D_VERSION_PATCH)));
  const std::pair<const wchar_t*, std::wstring> strings[] = {
      {L"ProductName", L"Panoplex 2D"},
      {L"FileDescription", L"Panoplex 2D Options"},
      {L"CompanyName", L"Brightfallow"},
      {L"FileVersion", std::to_wstring(PX2D_VERSION_MAJOR) + L"." + std::to_wstring(PX2D_VERSION_MINOR) +
                           L"." + std::to_wstring(PX2D_VERSION_PATCH) + L".0"},
  };
  for (const auto& [name, value] : strings) {
    wchar_t* text = nullptr;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
    ASSERT_TRUE(VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&text), &length)) << name;
    EXPECT_EQ(std::wstring(text), value);
  }
}

}  // namespace
}  // namespace px2d::e2e
