#include "platform/dib_rows.h"

#include <algorithm>
#include <cstddef>

namespace zelmor {

void UnpackIndexedPixels(const uint8_t* src, uint16_t bitCount, int64_t count,
                         const DibPalette& colours, uint8_t* dst) {
  if (bitCount == 8) {
    for (int64_t x = 0; x < count; ++x, dst += 4) {
      std::copy_n(colours[src[x]].begin(), 4, dst);
    }
    return;
  }
  // Pixels of 1, 2 or 4 bits, several to a byte, the first in the high bits.
  const unsigned perByte = 8u / bitCount;
  const unsigned mask = (1u << bitCount) - 1;
  for (int64_t x = 0; x < count; ++x, dst += 4) {
    const uint8_t byte = src[x / perByte];
    const unsigned shift = 8 - bitCount * (static_cast<unsigned>(x % perByte) + 1);
    std::copy_n(colours[(byte >> shift) & mask].begin(), 4, dst);
  }
}

void UnpackBgrPixels(const uint8_t* src, int64_t count, uint8_t* dst) {
  for (int64_t x = 0; x < count; ++x, src += 3, dst += 4) {
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
    dst[3] = 255;
  }
}

}  // namespace zelmor
