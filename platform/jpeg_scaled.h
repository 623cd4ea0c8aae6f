#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/bitmap.h"

namespace zelmor {

// The sides of a JPEG as its frame header stores them (before any
// orientation), when the bytes are a JPEG in a colour space that decodes to
// RGB (grey, YCbCr or RGB; not CMYK).
struct JpegFrame {
  int32_t width = 0;
  int32_t height = 0;
};
std::optional<JpegFrame> ReadJpegFrame(std::span<const uint8_t> file);

// Decodes a JPEG at 1/`denominator` of its size (1, 2, 4 or 8), scaled inside
// the inverse DCT, so that the full-size picture is never made: each side
// becomes ceil(side / denominator). Opaque, blue, green, red, alpha, as
// stored (no orientation, no colour profile applied). Nothing for damaged
// data or a colour space ReadJpegFrame refuses.
std::optional<Bitmap> DecodeJpegScaled(std::span<const uint8_t> file, int denominator);

}  // namespace zelmor
