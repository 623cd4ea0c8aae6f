#pragma once

#include <cstdint>
#include <memory>

#include "platform/bitmap.h"

namespace zelmor {

// Where integer line end points fall on the pixel grid.
enum class PixelOffset {
  // Integer points lie on pixel corners (the generator's canvas).
  kHighQuality,
  // Integer points are pixel centres (the overlay engine's surface).
  kDefault,
};

// An anti-aliased drawing surface over a bitmap's pixels. Drawing lands in the
// bitmap by the time the surface is destroyed.
class LineSurface {
 public:
  virtual ~LineSurface() = default;
  // A solid anti-aliased line 1 pixel wide in colour 0xAARRGGBB.
  virtual void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t argb) = 0;
};

std::unique_ptr<LineSurface> OpenLineSurface(Bitmap& bitmap, PixelOffset offset);

}  // namespace zelmor
