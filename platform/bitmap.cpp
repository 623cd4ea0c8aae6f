#include "platform/bitmap.h"

#include <new>
#include <stdexcept>

namespace zelmor {

Bitmap::Bitmap(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) {
    throw std::invalid_argument("Bitmap: width and height must be positive");
  }
  const uint64_t stride = uint64_t{4} * static_cast<uint64_t>(width);
  if (stride > INT32_MAX) {
    throw std::bad_alloc();
  }
  const uint64_t bytes = stride * static_cast<uint64_t>(height);
  if (bytes > kMaxBitmapBytes) {
    throw std::bad_alloc();
  }
  pixels_ = std::shared_ptr<uint8_t>(new uint8_t[bytes](), std::default_delete<uint8_t[]>());
  width_ = width;
  height_ = height;
  stride_ = static_cast<int32_t>(stride);
}

Bitmap::Bitmap(int32_t width, int32_t height, int32_t stride, std::shared_ptr<uint8_t> pixels)
    : width_(width), height_(height), stride_(stride), pixels_(std::move(pixels)) {
  if (width <= 0 || height <= 0 || stride < 4 * static_cast<int64_t>(width) || !pixels_) {
    throw std::invalid_argument("Bitmap: bad geometry or no pixels");
  }
}

Bitmap Bitmap::Region(int32_t x, int32_t y, int32_t w, int32_t h) const {
  if (empty() || x < 0 || y < 0 || w <= 0 || h <= 0 || int64_t{x} + w > width_ ||
      int64_t{y} + h > height_) {
    throw std::invalid_argument("Bitmap: region outside the bitmap");
  }
  const std::ptrdiff_t offset = static_cast<std::ptrdiff_t>(y) * stride_ + std::ptrdiff_t{4} * x;
  return Bitmap(w, h, stride_, std::shared_ptr<uint8_t>(pixels_, pixels_.get() + offset));
}

}  // namespace zelmor
