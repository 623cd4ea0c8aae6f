#include "platform/exif_orientation.h"

#include <cstring>

namespace zelmor {

Bitmap ApplyExifOrientation(Bitmap picture, int orientation) {
  if (orientation < 2 || orientation > 8 || picture.empty()) {
    return picture;
  }
  const int32_t w = picture.width();
  const int32_t h = picture.height();
  const bool swapsSides = orientation >= 5;
  Bitmap out(swapsSides ? h : w, swapsSides ? w : h);
  // For every output pixel (x, y), the stored pixel it shows.
  for (int32_t y = 0; y < out.height(); ++y) {
    uint8_t* to = out.row(y);
    for (int32_t x = 0; x < out.width(); ++x, to += 4) {
      int32_t sx = x;
      int32_t sy = y;
      switch (orientation) {
        case 2:
          sx = w - 1 - x;
          break;
        case 3:
          sx = w - 1 - x;
          sy = h - 1 - y;
          break;
        case 4:
          sy = h - 1 - y;
          break;
        case 5:
          sx = y;
          sy = x;
          break;
        case 6:
          sx = y;
          sy = h - 1 - x;
          break;
        case 7:
          sx = w - 1 - y;
          sy = h - 1 - x;
          break;
        case 8:
          sx = w - 1 - y;
          sy = x;
          break;
      }
      std::memcpy(to, picture.row(sy) + static_cast<std::ptrdiff_t>(sx) * 4, 4);
    }
  }
  return out;
}

}  // namespace zelmor
