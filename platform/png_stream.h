#pragma once

#include <cstdint>
#include <vector>

namespace zelmor {

// A complete PNG stream (signature, IHDR, IDAT..., IEND) of the width x height picture at `pixels`
// (bytes B,G,R,A, straight alpha, rows top-down `stride` bytes apart): always 8-bit RGBA, colour
// type 6, not interlaced, and no other chunks (no gAMA, sRGB, iCCP, pHYs, tIME, tEXt...), so the
// bytes depend only on the pixels. Lossless: decodes to exactly these pixels, alpha included, also
// for fully transparent pixels (their colour bytes are kept as given). Throws
// std::invalid_argument for non-positive sides, no pixels or a short stride; std::bad_alloc when
// memory runs out or the picture would pass kMaxBitmapBytes (platform/bitmap.h).
std::vector<uint8_t> EncodePngStream(const uint8_t* pixels, int32_t width, int32_t height,
                                     int32_t stride);

}  // namespace zelmor
