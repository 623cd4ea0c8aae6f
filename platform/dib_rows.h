#pragma once

#include <array>
#include <cstdint>

namespace zelmor {

// The colour of every index a pixel of 8 bits or fewer can hold, as blue,
// green, red, alpha.
using DibPalette = std::array<std::array<uint8_t, 4>, 256>;

// `count` pixels of `bitCount` bits (1, 2, 4 or 8) from a device-independent
// bitmap row, the leftmost pixel in the high bits of each byte, written as
// BGRA through `colours`. `src` holds at least (count * bitCount + 7) / 8 bytes.
void UnpackIndexedPixels(const uint8_t* src, uint16_t bitCount, int64_t count,
                         const DibPalette& colours, uint8_t* dst);

// `count` 24-bit pixels (blue, green, red) written as opaque BGRA.
void UnpackBgrPixels(const uint8_t* src, int64_t count, uint8_t* dst);

}  // namespace zelmor
