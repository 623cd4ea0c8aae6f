#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/bitmap.h"
#include "platform/bmp_layout.h"

namespace zelmor {

// Draws the runs of an RLE4, RLE8 or RLE24 pixel array onto `canvas`, which
// has the layout's size and starts fully transparent; pixels the runs skip
// (by a jump, an early end of line or of the picture, or the end of the
// file) stay so. Every code takes at least two bytes of the file and paints
// at most 255 pixels, so the work is bounded by the file's length as well as
// by the canvas.
void DrawBmpRuns(const uint8_t* data, std::size_t size, const BmpLayout& layout, Bitmap& canvas);

}  // namespace zelmor
