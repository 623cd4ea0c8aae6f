#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace zelmor {

// The colour chunks of a PNG file, as stored (all numbers times 100000).
struct PngColourChunks {
  bool srgb = false;              // an sRGB chunk: the pixels are sRGB already
  std::optional<uint32_t> gamma;  // gAMA: the encoding exponent, 45455 for 1/2.2
  // cHRM: white point x, y, then red, green and blue x, y.
  std::optional<std::array<uint32_t, 8>> chromaticities;
};

// Colour as coded by ITU-T H.273 code points (the nclx box of HEIF and AVIF).
struct CicpColour {
  uint16_t primaries = 2;  // 2 = unspecified
  uint16_t transfer = 2;
};

// What a picture file says about the colour of its pixels. A picture saying
// nothing is sRGB.
struct PictureColour {
  std::vector<uint8_t> iccProfile;  // an embedded ICC profile; empty when none
  std::optional<PngColourChunks> png;
  std::optional<CicpColour> cicp;
};

}  // namespace zelmor
