// The parts of a BMP file that a drawing reads, checked against the file's bytes before anything
// is drawn. Free of any platform header: also built natively, under the sanitizers, and fuzzed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace px2d {

// Offsets count from the start of the file; every range lies inside its bytes.
struct TBmpLayout {
  std::int32_t Width = 0;
  std::int32_t Height = 0;  // rows, always positive
  bool TopDown = false;     // the height was stored negated
  std::uint16_t BitCount = 0;
  std::uint32_t Compression = 0;
  std::uint32_t Colors = 0;    // entries of the colour table
  std::size_t InfoOffset = 0;  // the info header
  std::size_t InfoSize = 0;    // info header, bit masks and colour table together
  std::size_t BitsOffset = 0;  // the pixel data
  std::size_t BitsSize = 0;    // bytes of pixel data a drawing reads
};

// The file header's size and the largest width or height taken.
inline constexpr std::size_t kBmpFileHeaderSize = 14;
inline constexpr std::int32_t kBmpMaxSide = 0x4000;

// The compressions a drawing takes (those of BITMAPINFOHEADER).
inline constexpr std::uint32_t kBmpRgb = 0, kBmpRle8 = 1, kBmpRle4 = 2, kBmpBitFields = 3;

// The layout of a BMP file whose every field agrees with its bytes: an info header of 40, 52, 56,
// 108 or 124 bytes, 1, 4, 8, 16, 24 or 32 bits a pixel, uncompressed, with bit masks, or run-length
// encoded in whole runs inside the rows. Nothing for anything else.
std::optional<TBmpLayout> BmpLayoutOf(std::span<const std::uint8_t> Bytes);

}  // namespace px2d
