#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/bitmap.h"

namespace zelmor {

// The colour space a BMP header describes by its endpoints and gamma instead
// of a profile (LCS_CALIBRATED_RGB).
struct CalibratedRgb {
  // CIE XYZ of the red, green and blue endpoints, in that order.
  std::array<std::array<double, 3>, 3> endpoints{};
  // Gamma of the red, green and blue channels.
  std::array<double, 3> gamma{};
};

// A decoded picture with what its file says about its colours, for a later
// step to convert them; the pixels are as stored.
struct DecodedPicture {
  Bitmap pixels;
  // An embedded ICC profile; empty when the picture is sRGB.
  std::vector<uint8_t> iccProfile;
  // Set when the header gives calibrated endpoints (and no profile).
  std::optional<CalibratedRgb> calibrated;
};

}  // namespace zelmor
