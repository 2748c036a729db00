// Any bytes through the BMP check: no read outside them, and every layout it takes names ranges
// that lie inside the bytes and agree with the picture's size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/BmpLayout.h"

// Keeps the reads below from being left out.
volatile unsigned Sink;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  const auto layout = px2d::BmpLayoutOf(bytes);
  if (!layout) return 0;
  if (layout->Width < 1 || layout->Width > px2d::kBmpMaxSide) std::abort();
  if (layout->Height < 1 || layout->Height > px2d::kBmpMaxSide) std::abort();
  if (layout->InfoOffset + layout->InfoSize > layout->BitsOffset) std::abort();
  if (layout->BitsOffset > size || layout->BitsSize > size - layout->BitsOffset) std::abort();
  const bool runs = layout->Compression == px2d::kBmpRle8 || layout->Compression == px2d::kBmpRle4;
  if (runs && layout->TopDown) std::abort();
  if (!runs) {
    const std::size_t stride = (static_cast<std::size_t>(layout->Width) * layout->BitCount + 31) / 32 * 4;
    if (layout->BitsSize != stride * static_cast<std::size_t>(layout->Height)) std::abort();
  }
  // What a drawing reads: the sanitizer stops any byte of it that lies outside the input.
  unsigned sum = 0;
  for (std::size_t i = 0; i < layout->InfoSize; ++i) sum += data[layout->InfoOffset + i];
  for (std::size_t i = 0; i < layout->BitsSize; ++i) sum += data[layout->BitsOffset + i];
  Sink = sum;
  return 0;
}
