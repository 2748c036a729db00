// A BMP file made field by field, so that a test can damage any one of them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace px2d::test {

struct TBmpFile {
  std::uint16_t Type = 0x4D42;    // "BM"
  std::uint32_t HeaderSize = 40;  // stored as is; the header written is at least 40 bytes long
  std::int32_t Width = 3, Height = 2;
  std::uint16_t Planes = 1, BitCount = 24;
  std::uint32_t Compression = 0, SizeImage = 0, ColorsUsed = 0;
  std::uint32_t CSType = 0, ProfileData = 0, ProfileSize = 0;  // of a 124-byte header
  std::vector<std::uint32_t> Masks;                            // written after the header
  std::vector<std::uint32_t> Table;                            // colour table, 0x00RRGGBB
  std::size_t Gap = 0;                                         // bytes between the table and the pixels
  std::optional<std::vector<std::uint8_t>> Bits;               // pixel bytes; by default every row zero
  std::vector<std::uint8_t> Tail;                              // bytes after the pixels
  std::optional<std::uint32_t> BitsOffset;                     // by default where the pixels start
  std::size_t CutBy = 0;                                       // bytes taken off the end

  static void Put(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t value, int size = 4) {
    for (int i = 0; i < size; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }

  static void Append(std::vector<std::uint8_t>& b, std::uint32_t value) {
    b.resize(b.size() + 4);
    Put(b, b.size() - 4, value);
  }

  std::vector<std::uint8_t> Bytes() const {
    std::vector<std::uint8_t> b(14 + std::max<std::uint32_t>(HeaderSize, 40));
    Put(b, 0, Type, 2);
    Put(b, 14, HeaderSize);
    Put(b, 18, static_cast<std::uint32_t>(Width));
    Put(b, 22, static_cast<std::uint32_t>(Height));
    Put(b, 26, Planes, 2);
    Put(b, 28, BitCount, 2);
    Put(b, 30, Compression);
    Put(b, 34, SizeImage);
    Put(b, 46, ColorsUsed);
    if (HeaderSize >= 124) {
      Put(b, 14 + 56, CSType);
      Put(b, 14 + 112, ProfileData);
      Put(b, 14 + 116, ProfileSize);
    }
    for (std::uint32_t word : Masks) Append(b, word);
    for (std::uint32_t colour : Table) Append(b, colour);
    b.resize(b.size() + Gap);
    Put(b, 10, BitsOffset.value_or(static_cast<std::uint32_t>(b.size())));
    if (Bits) {
      b.insert(b.end(), Bits->begin(), Bits->end());
    } else {
      const std::size_t width = Width > 0 ? static_cast<std::size_t>(Width) : 0;
      const std::size_t rows =
          Height < 0 ? 0 - static_cast<std::size_t>(Height) : static_cast<std::size_t>(Height);
      b.resize(b.size() + (width * BitCount + 31) / 32 * 4 * rows);
    }
    b.insert(b.end(), Tail.begin(), Tail.end());
    Put(b, 2, static_cast<std::uint32_t>(b.size()));
    b.resize(b.size() - std::min(CutBy, b.size()));
    return b;
  }
};

}  // namespace px2d::test
