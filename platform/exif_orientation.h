#pragma once

#include "platform/bitmap.h"

namespace zelmor {

// `picture` turned upright as EXIF orientation `orientation` (1 to 8) says a
// viewer shows it: 2 mirrors left to right, 3 turns half round, 4 mirrors top
// to bottom, 5 transposes, 6 turns a quarter clockwise, 7 transverses, 8 turns
// a quarter anticlockwise. Pixels move exactly; 1 or any other value gives the
// picture back untouched. Throws std::bad_alloc when the new pixels cannot
// be had.
Bitmap ApplyExifOrientation(Bitmap picture, int orientation);

}  // namespace zelmor
