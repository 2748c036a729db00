// The BMP check: every layout a drawing takes passes with the ranges it reads, and a file with any
// one field at odds with its bytes is refused.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "core/BmpLayout.h"
#include "support/BmpFile.h"

namespace px2d {
namespace {

using test::TBmpFile;

std::optional<TBmpLayout> LayoutOf(const TBmpFile& file) {
  const auto bytes = file.Bytes();
  return BmpLayoutOf(bytes);
}

TBmpFile RunLength(std::uint16_t bits, std::int32_t width, std::int32_t height,
                   std::vector<std::uint8_t> runs) {
  TBmpFile f;
  f.BitCount = bits;
  f.Compression = bits == 8 ? kBmpRle8 : kBmpRle4;
  f.Width = width;
  f.Height = height;
  f.Table.assign(std::size_t{1} << bits, 0);
  f.SizeImage = static_cast<std::uint32_t>(runs.size());
  f.Bits = std::move(runs);
  return f;
}

struct TAccepted {
  const char* name;
  TBmpFile file;
  std::size_t infoSize, bitsSize;
};

TEST(BmpLayout, TakesEveryLayoutADrawingReads) {
  TBmpFile topDown;
  topDown.Height = -2;
  TBmpFile palette8;
  palette8.BitCount = 8;
  palette8.Table.assign(256, 0x00FF00);
  TBmpFile twoColours;
  twoColours.BitCount = 1;
  twoColours.ColorsUsed = 2;
  twoColours.Table = {0, 0xFFFFFF};
  TBmpFile masks;
  masks.BitCount = 32;
  masks.Compression = kBmpBitFields;
  masks.Masks = {0xFF0000, 0xFF00, 0xFF};
  TBmpFile v5;
  v5.HeaderSize = 124;
  v5.BitCount = 32;
  v5.Compression = kBmpBitFields;
  v5.CSType = 0x4D424544;  // an embedded profile, after the pixels
  v5.ProfileData = 124 + 24;
  v5.ProfileSize = 4;
  v5.Tail = {1, 2, 3, 4};
  TBmpFile gap;
  gap.Gap = 6;
  // Two rows of five: 2 pixels, 3 as they are (padded), end of line, 5 pixels, end of bitmap.
  const TBmpFile rle8 = RunLength(8, 5, 2, {2, 7, 0, 3, 1, 2, 3, 0, 0, 0, 5, 1, 0, 1});
  // One row of five: 3 pixels as they are (two bytes), 2 pixels; the stream ends with its bytes.
  const TBmpFile rle4 = RunLength(4, 5, 1, {0, 3, 0x12, 0x30, 2, 0x45});
  // Runs into the row's last 32-bit word, past the width, as encoders write them: 4 pixels of 3.
  const TBmpFile padding = RunLength(8, 3, 2, {4, 1, 0, 0, 4, 2, 0, 1});
  // A move of one right and one down, then the last pixel.
  const TBmpFile delta = RunLength(8, 2, 2, {1, 9, 0, 2, 0, 1, 1, 9, 0, 1});

  const TAccepted cases[] = {
      {"24 bits, bottom-up", TBmpFile{}, 40, 24},
      {"top-down", topDown, 40, 24},
      {"8 bits with a full table", palette8, 40 + 1024, 8},
      {"1 bit, two colours named", twoColours, 48, 8},
      {"32 bits, masks after the header", masks, 52, 24},
      {"124-byte header with a profile", v5, 124, 24},
      {"a gap before the pixels", gap, 40, 24},
      {"8-bit runs", rle8, 40 + 1024, 14},
      {"4-bit runs", rle4, 40 + 64, 6},
      {"8-bit runs with a move", delta, 40 + 1024, 10},
      {"8-bit runs into the row's padding", padding, 40 + 1024, 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto bytes = c.file.Bytes();
    const auto layout = BmpLayoutOf(bytes);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->Width, c.file.Width);
    EXPECT_EQ(layout->Height, c.file.Height < 0 ? -c.file.Height : c.file.Height);
    EXPECT_EQ(layout->TopDown, c.file.Height < 0);
    EXPECT_EQ(layout->InfoOffset, 14u);
    EXPECT_EQ(layout->InfoSize, c.infoSize);
    EXPECT_EQ(layout->BitsOffset, 14 + c.infoSize + c.file.Gap);
    EXPECT_EQ(layout->BitsSize, c.bitsSize);
  }
}

struct TRefused {
  const char* name;
  std::function<void(TBmpFile&)> damage;
};

TEST(BmpLayout, RefusesAnyFieldAtOddsWithTheBytes) {
  const TRefused cases[] = {
      {"shorter than both headers",
       [](TBmpFile& f) {
         f.Bits = std::vector<std::uint8_t>{};
         f.CutBy = 1;
       }},
      {"not BM", [](TBmpFile& f) { f.Type = 0x5842; }},
      {"12-byte header", [](TBmpFile& f) { f.HeaderSize = 12; }},
      {"64-byte header", [](TBmpFile& f) { f.HeaderSize = 64; }},
      {"header longer than the file",
       [](TBmpFile& f) {
         f.HeaderSize = 124;
         f.Bits = std::vector<std::uint8_t>{};
         f.CutBy = 10;
       }},
      {"width 0", [](TBmpFile& f) { f.Width = 0; }},
      {"negative width", [](TBmpFile& f) { f.Width = -3; }},
      {"width over the limit",
       [](TBmpFile& f) {
         f.Width = kBmpMaxSide + 1;
         f.Height = 1;
       }},
      {"height 0",
       [](TBmpFile& f) {
         f.Height = 0;
         f.Bits = std::vector<std::uint8_t>(24);
       }},
      {"most negative height",
       [](TBmpFile& f) {
         f.Height = INT_MIN;
         f.Bits = std::vector<std::uint8_t>(24);
       }},
      {"height over the limit",
       [](TBmpFile& f) {
         f.Height = kBmpMaxSide + 1;
         f.Width = 1;
       }},
      {"top-down height over the limit",
       [](TBmpFile& f) {
         f.Height = -kBmpMaxSide - 1;
         f.Width = 1;
       }},
      {"two planes", [](TBmpFile& f) { f.Planes = 2; }},
      {"2 bits a pixel", [](TBmpFile& f) { f.BitCount = 2; }},
      {"0 bits a pixel", [](TBmpFile& f) { f.BitCount = 0; }},
      {"JPEG inside", [](TBmpFile& f) { f.Compression = 4; }},
      {"PNG inside", [](TBmpFile& f) { f.Compression = 5; }},
      {"masks with alpha",
       [](TBmpFile& f) {
         f.Compression = 6;
         f.BitCount = 32;
       }},
      {"8-bit runs of 24-bit pixels",
       [](TBmpFile& f) {
         f.Compression = kBmpRle8;
         f.SizeImage = 2;
       }},
      {"masks for 24-bit pixels",
       [](TBmpFile& f) {
         f.Compression = kBmpBitFields;
         f.Masks = {1, 2, 3};
       }},
      {"257 colours for 8-bit pixels",
       [](TBmpFile& f) {
         f.BitCount = 8;
         f.ColorsUsed = 257;
         f.Table.assign(257, 0);
       }},
      {"257 colours for 24-bit pixels",
       [](TBmpFile& f) {
         f.ColorsUsed = 257;
         f.Table.assign(257, 0);
       }},
      {"colour table past the end",
       [](TBmpFile& f) {
         f.BitCount = 8;
         f.Table.assign(200, 0);
       }},
      {"masks past the end",
       [](TBmpFile& f) {
         f.BitCount = 32;
         f.Compression = kBmpBitFields;
         f.Masks = {1, 2};
         f.Bits = std::vector<std::uint8_t>{};
       }},
      {"pixels inside the headers", [](TBmpFile& f) { f.BitsOffset = 40; }},
      {"pixels past the end", [](TBmpFile& f) { f.BitsOffset = 14 + 40 + 25; }},
      {"last row a byte short", [](TBmpFile& f) { f.CutBy = 1; }},
      {"rows larger than 32 bits can count",
       [](TBmpFile& f) {
         f.Width = kBmpMaxSide;
         f.Height = kBmpMaxSide;
         f.BitCount = 32;
         f.Bits = std::vector<std::uint8_t>(4);
       }},
      {"V5 profile past the end",
       [](TBmpFile& f) {
         f.HeaderSize = 124;
         f.CSType = 0x4C494E4B;
         f.ProfileData = 124 + 24;
         f.ProfileSize = 1;
       }},
  };
  EXPECT_TRUE(LayoutOf(TBmpFile{}));
  for (const auto& c : cases) {
    TBmpFile file;
    c.damage(file);
    EXPECT_FALSE(LayoutOf(file)) << c.name;
  }
}

TEST(BmpLayout, RefusesRunsThatLeaveThePictureOrTheirBytes) {
  struct TRuns {
    const char* name;
    TBmpFile file;
  };
  TBmpFile noSize = RunLength(8, 4, 1, {4, 1, 0, 1});
  noSize.SizeImage = 0;
  TBmpFile sizePastEnd = RunLength(8, 4, 1, {4, 1, 0, 1});
  sizePastEnd.SizeImage = 5;
  TBmpFile topDown = RunLength(8, 4, 1, {4, 1, 0, 1});
  topDown.Height = -1;
  const TRuns cases[] = {
      {"no size", noSize},
      {"size past the end", sizePastEnd},
      {"top-down", topDown},
      {"run past the row's end", RunLength(8, 4, 1, {5, 1, 0, 1})},
      {"runs adding up past the row's end", RunLength(8, 4, 1, {3, 1, 2, 1, 0, 1})},
      {"pixels as they are past the row's end", RunLength(8, 4, 1, {0, 5, 1, 2, 3, 4, 5, 0, 0, 1})},
      {"pixels as they are cut short", RunLength(8, 4, 1, {0, 4, 1, 2})},
      {"4-bit pixels as they are cut short", RunLength(4, 8, 1, {0, 5, 1, 2})},
      {"a row past the last", RunLength(8, 4, 1, {0, 0, 1, 1, 0, 1})},
      {"a move past the right edge", RunLength(8, 4, 2, {0, 2, 5, 0, 0, 1})},
      {"4-bit run past the row's padding", RunLength(4, 5, 1, {9, 0x11, 0, 1})},
      {"a move past the last row", RunLength(8, 4, 2, {0, 2, 0, 3, 0, 1})},
      {"a move cut short", RunLength(8, 4, 2, {0, 2, 1})},
      {"a step cut in half", RunLength(8, 4, 1, {4, 1, 0})},
  };
  for (const auto& c : cases) EXPECT_FALSE(LayoutOf(c.file)) << c.name;
}

}  // namespace
}  // namespace px2d
