#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace zelmor::testing {

// One image of an ICO file as the overlay engine writes it: a 32-bit square
// block of side `side`.
struct WrittenEntry {
  uint8_t width = 0;
  uint8_t height = 0;
  uint8_t colorCount = 0;
  uint8_t reserved = 0;
  uint16_t planes = 0;
  uint16_t bitCount = 0;
  uint32_t bytesInRes = 0;
  uint32_t imageOffset = 0;
  std::vector<uint8_t> block;

  // From the block's BITMAPINFOHEADER.
  int32_t side() const;
  // Pixel (x, y), counted top-down, as blue, green, red, alpha.
  std::array<uint8_t, 4> Pixel(int32_t x, int32_t y) const;
  bool MaskBit(int32_t x, int32_t y) const;
  // The AND rows as stored.
  std::vector<uint8_t> Mask() const;
};

struct WrittenIco {
  uint16_t reserved = 0;
  uint16_t type = 0;
  std::vector<WrittenEntry> entries;
};

// Splits an ICO file into its directory entries and blocks; throws when a
// block lies outside the file.
WrittenIco ParseIco(const std::vector<uint8_t>& file);

}  // namespace zelmor::testing
