#pragma once

#include <cstdint>
#include <vector>

#include "encoding/palette.h"

namespace zelmor {

// One encoded square image; its bit depth travels beside it.
struct IconImageData {
  int32_t size = 0;
  std::vector<RGBQUAD> palette;    // 16 entries at 4 bits, 256 at 8, none at 24 and 32
  std::vector<uint8_t> xorBitmap;  // rows bottom-up, each padded to 4 bytes
  std::vector<uint8_t> andMask;    // 1 bit per pixel, 1 = transparent, rows bottom-up
};

// Bytes of one stored row: floor((size * bits + 31) / 32) * 4, and of one mask
// row (the same at 1 bit). Throw std::invalid_argument for a negative size, a
// depth outside 1..32 or a row longer than 32 bits can count.
uint32_t XorStride(int32_t size, int bits);
uint32_t MaskStride(int32_t size);

// Encodes the size x size top-down BGRA pixels at `pixels` (rows `stride` bytes
// apart) at 4, 8, 24 or 32 bits. Throws std::invalid_argument for any other
// depth, a size below 1, a stride shorter than a row, no pixels, or an image
// whose block would not fit in 32 bits. The 4- and 8-bit indices equal
// NearestPaletteIndex over the matching palette.
IconImageData EncodeIconImage(const uint8_t* pixels, int32_t size, int32_t stride, int bits);

}  // namespace zelmor
