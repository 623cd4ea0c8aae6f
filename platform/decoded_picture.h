#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

#include "platform/bitmap.h"
#include "platform/picture_colour.h"

namespace zelmor {

// The colour space a BMP header describes by its endpoints and gamma instead
// of a profile (LCS_CALIBRATED_RGB).
struct CalibratedRgb {
  // CIE XYZ of the red, green and blue endpoints, in that order.
  std::array<std::array<double, 3>, 3> endpoints{};
  // Gamma of the red, green and blue channels.
  std::array<double, 3> gamma{};
};

// Pixels as a decoder gives them, already upright, and what the file says
// about their colour (not yet applied).
struct DecodedPicture {
  Bitmap pixels;
  PictureColour colour;
  // Set when a BMP header gives calibrated endpoints (and no profile).
  std::optional<CalibratedRgb> calibrated;
};

// A sample of `bits` bits (9 to 16) as 8 bits, rounded to the nearest level:
// (v * 255 + max / 2) / max with max = 2^bits - 1, which for 16 bits is
// (v * 255 + 32767) / 65535.
inline uint8_t RoundSampleToEightBits(uint32_t value, int bits) {
  const uint32_t max = (uint32_t{1} << bits) - 1;
  return static_cast<uint8_t>((std::min(value, max) * 255 + max / 2) / max);
}

// True when a width x height picture of 4 bytes a pixel stays within the
// imaging limit; sides from headers are checked with this before decoding.
inline bool FitsDecodeLimit(uint64_t width, uint64_t height) {
  return width > 0 && height > 0 && width <= INT32_MAX / 4 && height <= INT32_MAX &&
         width * height * 4 <= kMaxBitmapBytes;
}

}  // namespace zelmor
