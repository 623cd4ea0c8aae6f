#include "generate/line_overlay.h"

#include <limits>
#include <stdexcept>

#include "platform/line_random.h"

namespace zelmor {

std::pair<int32_t, int32_t> NormalizeLineRange(int32_t minCount, int32_t maxCount) {
  const int32_t low = minCount < 0 ? 0 : minCount;
  const int32_t high = maxCount < low ? low : maxCount;
  return {low, high};
}

uint32_t ColorRefToArgb(COLORREF color) {
  const uint32_t red = color & 0xFFu;
  const uint32_t green = (color >> 8) & 0xFFu;
  const uint32_t blue = (color >> 16) & 0xFFu;
  return 0xFF000000u | (red << 16) | (green << 8) | blue;
}

void DrawRandomLines(LineSurface& surface, int32_t width, int32_t height, int32_t minCount,
                     int32_t maxCount, COLORREF color) {
  if (maxCount <= 0) {
    return;
  }
  if (width < 1 || height < 1) {
    throw std::invalid_argument("DrawRandomLines: the surface must be at least 1 x 1");
  }
  // The range is computed in 64 bits: 0..INT32_MAX would overflow 32, and then
  // the count simply stays at the minimum, taking no number for it.
  const int64_t range = int64_t{maxCount} - int64_t{minCount} + 1;
  int64_t offset = 0;
  if (range > 0 && range <= std::numeric_limits<int32_t>::max()) {
    offset = LineRandom::Next() % range;
  }
  const int64_t count = int64_t{minCount} + offset;
  const uint32_t argb = ColorRefToArgb(color);
  for (int64_t i = 0; i < count; ++i) {
    const int32_t endY = LineRandom::Next() % height;
    const int32_t endX = LineRandom::Next() % width;
    const int32_t startY = LineRandom::Next() % height;
    const int32_t startX = LineRandom::Next() % width;
    surface.DrawLine(startX, startY, endX, endY, argb);
  }
}

}  // namespace zelmor
