#include "core/BmpLayout.h"

namespace px2d {

namespace {

using TBytes = std::span<const std::uint8_t>;

std::uint16_t U16(TBytes b, std::size_t at) { return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8)); }

std::uint32_t U32(TBytes b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::int32_t I32(TBytes b, std::size_t at) { return static_cast<std::int32_t>(U32(b, at)); }

// Offsets inside the info header (BITMAPV5HEADER's names; the first 40 bytes are BITMAPINFOHEADER).
constexpr std::size_t kWidth = 4, kHeight = 8, kPlanes = 12, kBitCount = 14, kCompression = 16,
                      kSizeImage = 20, kClrUsed = 32, kCSType = 56, kProfileData = 112, kProfileSize = 116;
constexpr std::uint32_t kProfileLinked = 0x4C494E4B, kProfileEmbedded = 0x4D424544;  // 'LINK', 'MBED'

bool KnownHeaderSize(std::uint32_t size) {
  return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

bool KnownBitCount(std::uint16_t bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Walks a run-length stream (two bytes a step: a count and a value, or 0 and an escape): every run
// lies inside a row and every row inside the picture, and the stream ends with its bytes or with
// the end-of-bitmap escape, never inside a step. A row reaches to the end of its last 32-bit word,
// as encoders fill it; the drawing leaves out what lies past the width.
bool RunsFit(TBytes runs, std::uint64_t width, std::uint64_t height, bool fourBits) {
  std::uint64_t x = 0, y = 0;
  std::size_t at = 0;
  while (at + 2 <= runs.size()) {
    const unsigned count = runs[at], code = runs[at + 1];
    at += 2;
    if (count > 0) {  // an encoded run of `count` pixels
      if (y >= height || x + count > width) return false;
      x += count;
      continue;
    }
    switch (code) {
      case 0:  // end of line
        x = 0;
        ++y;
        break;
      case 1:  // end of bitmap
        return true;
      case 2:  // move right and down
        if (at + 2 > runs.size()) return false;
        x += runs[at];
        y += runs[at + 1];
        at += 2;
        if (x > width || y > height) return false;
        break;
      default: {  // `code` pixels as they are, padded to a whole 16-bit word
        if (y >= height || x + code > width) return false;
        std::size_t bytes = fourBits ? (code + 1) / 2 : code;
        bytes += bytes & 1;
        if (bytes > runs.size() - at) return false;
        at += bytes;
        x += code;
      }
    }
  }
  return at == runs.size();
}

// A row is stored in whole 32-bit words.
std::uint64_t RowBytes(const TBmpLayout& layout) {
  return (static_cast<std::uint64_t>(layout.Width) * layout.BitCount + 31) / 32 * 4;
}

}  // namespace

std::optional<TBmpLayout> BmpLayoutOf(std::span<const std::uint8_t> Bytes) {
  const TBytes b = Bytes;
  constexpr std::size_t info = kBmpFileHeaderSize;
  if (b.size() < info + 40 || b[0] != 'B' || b[1] != 'M') return std::nullopt;
  const std::uint32_t infoHeaderSize = U32(b, info);
  if (!KnownHeaderSize(infoHeaderSize) || b.size() - info < infoHeaderSize) return std::nullopt;

  TBmpLayout layout;
  layout.InfoOffset = info;
  const std::int32_t width = I32(b, info + kWidth), height = I32(b, info + kHeight);
  // Compared before the height's sign is taken off: the most negative height has no positive twin.
  if (width <= 0 || width > kBmpMaxSide || height == 0 || height < -kBmpMaxSide || height > kBmpMaxSide)
    return std::nullopt;
  layout.Width = width;
  layout.TopDown = height < 0;
  layout.Height = layout.TopDown ? -height : height;

  layout.BitCount = U16(b, info + kBitCount);
  layout.Compression = U32(b, info + kCompression);
  if (U16(b, info + kPlanes) != 1 || !KnownBitCount(layout.BitCount)) return std::nullopt;
  const bool runs = layout.Compression == kBmpRle8 || layout.Compression == kBmpRle4;
  switch (layout.Compression) {
    case kBmpRgb:
      break;
    case kBmpRle8:
    case kBmpRle4:
      // Runs go from the bottom row up only.
      if (layout.BitCount != (layout.Compression == kBmpRle8 ? 8 : 4) || layout.TopDown) return std::nullopt;
      break;
    case kBmpBitFields:
      if (layout.BitCount != 16 && layout.BitCount != 32) return std::nullopt;
      break;
    default:
      return std::nullopt;
  }

  // The colour table: as many entries as the header says, or all a pixel can name; up to 256.
  const std::uint32_t colorsUsed = U32(b, info + kClrUsed);
  const std::uint32_t maxColors = layout.BitCount <= 8 ? 1u << layout.BitCount : 256u;
  if (colorsUsed > maxColors) return std::nullopt;
  layout.Colors = colorsUsed ? colorsUsed : (layout.BitCount <= 8 ? maxColors : 0);
  // The three bit masks follow a 40-byte header; the longer headers hold them.
  const std::size_t masks = layout.Compression == kBmpBitFields && infoHeaderSize == 40 ? 12 : 0;
  layout.InfoSize = infoHeaderSize + masks + std::size_t{layout.Colors} * 4;
  if (b.size() - info < layout.InfoSize) return std::nullopt;

  const std::uint32_t bitsOffset = U32(b, 10);
  if (bitsOffset < info + layout.InfoSize || bitsOffset > b.size()) return std::nullopt;
  layout.BitsOffset = bitsOffset;
  const std::size_t available = b.size() - bitsOffset;
  if (runs) {
    // Run-length data is as long as the header says, and every run of it fits the picture.
    const std::uint32_t sizeImage = U32(b, info + kSizeImage);
    const std::uint64_t rowPixels = RowBytes(layout) * 8 / layout.BitCount;
    if (sizeImage == 0 || sizeImage > available ||
        !RunsFit(b.subspan(bitsOffset, sizeImage), rowPixels, static_cast<std::uint64_t>(layout.Height),
                 layout.Compression == kBmpRle4))
      return std::nullopt;
    layout.BitsSize = sizeImage;
  } else {
    // Every row present.
    const std::uint64_t bits = RowBytes(layout) * static_cast<std::uint64_t>(layout.Height);
    if (bits > available) return std::nullopt;
    layout.BitsSize = static_cast<std::size_t>(bits);
  }

  // A colour profile the header points to (from the start of the info header) lies inside too.
  if (infoHeaderSize == 124) {
    const std::uint32_t type = U32(b, info + kCSType);
    if (type == kProfileLinked || type == kProfileEmbedded) {
      const std::uint64_t end =
          std::uint64_t{info} + U32(b, info + kProfileData) + U32(b, info + kProfileSize);
      if (end > b.size()) return std::nullopt;
    }
  }
  return layout;
}

}  // namespace px2d
