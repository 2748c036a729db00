// TBitmap reads the BMP layouts GDI draws, pixel for pixel, and refuses a damaged file before GDI
// sees any of it; a picture that holds such a file draws nothing.
#include <gtest/gtest.h>

#include <climits>

#include "GdiPlusEnvironment.h"
#include "controls/GDIPicture.h"
#include "core/BmpLayout.h"
#include "framework/Graphics.h"
#include "framework/SysUtils.h"
#include "support/BmpFile.h"

namespace px2d {
namespace {

using test::TBmpFile;

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

// 2 by 2: red and green on top, blue and white below, as 24-bit rows from the bottom up.
TBmpFile Rgb24() {
  TBmpFile f;
  f.Width = 2;
  f.Height = 2;
  f.Bits = std::vector<std::uint8_t>{0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0xFF, 0, 0, 0};
  return f;
}

TBmpFile TopDown() {
  TBmpFile f = Rgb24();
  f.Height = -2;
  f.Bits = std::vector<std::uint8_t>{0, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0};
  return f;
}

TBmpFile Palette8() {
  TBmpFile f = Rgb24();
  f.BitCount = 8;
  f.ColorsUsed = 4;
  f.Table = {kRed, kGreen, kBlue, kWhite};
  f.Bits = std::vector<std::uint8_t>{2, 3, 0, 0, 0, 1, 0, 0};
  return f;
}

TBmpFile RunLength8() {
  TBmpFile f = Palette8();
  f.Compression = kBmpRle8;
  f.Bits = std::vector<std::uint8_t>{1, 2, 1, 3, 0, 0, 1, 0, 1, 1, 0, 1};
  f.SizeImage = static_cast<std::uint32_t>(f.Bits->size());
  return f;
}

TBmpFile Masks32() {
  TBmpFile f = Rgb24();
  f.BitCount = 32;
  f.Compression = kBmpBitFields;
  f.Masks = {0xFF0000, 0x00FF00, 0x0000FF};
  f.Bits = std::vector<std::uint8_t>{0xFF, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0};
  return f;
}

void Load(TBitmap& bitmap, const TBmpFile& file) {
  TMemoryStream stream(file.Bytes());
  bitmap.LoadFromStream(&stream);
}

TEST(Bitmap, ReadsEachLayoutPixelForPixel) {
  const struct {
    const char* name;
    TBmpFile file;
  } cases[] = {
      {"24 bits, bottom-up", Rgb24()}, {"24 bits, top-down", TopDown()},  {"8 bits with a table", Palette8()},
      {"8-bit runs", RunLength8()},    {"32 bits with masks", Masks32()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TBitmap bitmap;
    ASSERT_NO_THROW(Load(bitmap, c.file));
    ASSERT_EQ(bitmap.Width(), 2);
    ASSERT_EQ(bitmap.Height(), 2);
    TDibSurface s(2, 2);
    TCanvas canvas;
    canvas.SetHandle(s.DC());
    canvas.Draw(0, 0, bitmap);
    canvas.SetHandle(nullptr);
    EXPECT_EQ(s.Pixel(0, 0) & 0xFFFFFF, kRed);
    EXPECT_EQ(s.Pixel(1, 0) & 0xFFFFFF, kGreen);
    EXPECT_EQ(s.Pixel(0, 1) & 0xFFFFFF, kBlue);
    EXPECT_EQ(s.Pixel(1, 1) & 0xFFFFFF, kWhite);
  }
}

TEST(Bitmap, DamagedFileIsRefusedAndTheOldPictureStays) {
  TBmpFile mostNegative = Rgb24();
  mostNegative.Height = INT_MIN;
  TBmpFile shortTable = Palette8();
  shortTable.ColorsUsed = 0;  // all 256 entries, of which the file holds 4
  TBmpFile runPastRow = RunLength8();
  runPastRow.Bits = std::vector<std::uint8_t>{5, 2, 0, 1};
  runPastRow.SizeImage = 4;
  TBmpFile cutShort = Rgb24();
  cutShort.CutBy = 1;
  const struct {
    const char* name;
    TBmpFile file;
  } cases[] = {
      {"most negative height", mostNegative},
      {"colour table past the end", shortTable},
      {"run past the row", runPastRow},
      {"last row cut short", cutShort},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TBitmap bitmap;
    bitmap.SetSize(5, 3);
    try {
      Load(bitmap, c.file);
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Bitmap image is not valid");
    }
    EXPECT_EQ(bitmap.Width(), 5);
    EXPECT_EQ(bitmap.Height(), 3);
  }
}

// GDI+ decodes a bitmap wider than a TBitmap takes; drawn from a paint, it must draw nothing and
// raise nothing, or every repaint would open an error box.
TEST(Bitmap, PictureOfABitmapThatCannotBeLoadedDrawsNothing) {
  TBmpFile wide;
  wide.Width = kBmpMaxSide + 1;
  wide.Height = 1;
  TGDIPPicture picture;
  picture.SetData(wide.Bytes());
  picture.MeasurePicture();
  ASSERT_EQ(picture.Format(), TImageFormat::BMP);
  ASSERT_EQ(picture.Width(), kBmpMaxSide + 1);
  TDibSurface s(4, 4);
  s.Fill(RGB(255, 255, 255));
  TCanvas canvas;
  canvas.SetHandle(s.DC());
  EXPECT_NO_THROW(canvas.Draw(0, 0, picture));
  canvas.SetHandle(nullptr);
  EXPECT_EQ(s.Pixel(0, 0) & 0xFFFFFF, kWhite);
}

}  // namespace
}  // namespace px2d
