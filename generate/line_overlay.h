#pragma once

#include <cstdint>
#include <utility>

#include "platform/line_surface.h"

namespace zelmor {

// A Windows colour value: 0x00BBGGRR, red in the low byte.
using COLORREF = uint32_t;

struct LineOverlaySettings {
  bool enabled = false;
  int32_t minCount = 0;
  int32_t maxCount = 0;
  COLORREF color = 255;
};

// A negative minimum becomes 0; a maximum below the (new) minimum becomes it.
std::pair<int32_t, int32_t> NormalizeLineRange(int32_t minCount, int32_t maxCount);

// 0xFF000000 | red << 16 | green << 8 | blue; the COLORREF's top byte is ignored.
uint32_t ColorRefToArgb(COLORREF color);

// Draws between `minCount` and `maxCount` (already normalised) random lines
// on a width x height surface, every number taken from LineRandom: one for the
// count, then four per line (end y, end x, start y, start x). Draws nothing
// and takes no number when `maxCount` is 0 or less.
void DrawRandomLines(LineSurface& surface, int32_t width, int32_t height, int32_t minCount,
                     int32_t maxCount, COLORREF color);

}  // namespace zelmor
