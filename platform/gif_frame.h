#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/bitmap.h"

namespace zelmor {

// A rectangle of a GIF's logical screen.
struct GifRegion {
  int64_t left = 0;
  int64_t top = 0;
  int64_t width = 0;
  int64_t height = 0;
};

// Where the first frame of a GIF file lies on its logical screen. Nothing when
// the bytes are not a GIF or end before the first frame's descriptor.
std::optional<GifRegion> FirstGifFrame(const uint8_t* data, std::size_t size);

// Makes every pixel of `picture` outside `region` fully transparent (all
// bytes 0): before an animation runs, browsers show only the first frame's
// region, whatever background colour the file names.
void ClearOutside(const GifRegion& region, Bitmap& picture);

}  // namespace zelmor
