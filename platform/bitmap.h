#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace zelmor {

// No bitmap may hold more pixel bytes than this: 16384 x 16384 at 4 bytes a
// pixel. Untrusted sizes are checked against it before anything is allocated.
inline constexpr uint64_t kMaxBitmapBytes = uint64_t{1} << 30;

// A 32-bit picture as the engines see it: bytes blue, green, red, alpha per
// pixel, straight (not premultiplied) alpha, rows top-down `stride` bytes apart.
// The pixel memory may belong to another object (a decoded image of the
// imaging layer); the Bitmap keeps that owner alive.
class Bitmap {
 public:
  Bitmap() = default;
  // A width x height bitmap whose every byte is 0 (fully transparent).
  // Throws std::invalid_argument for a non-positive side and std::bad_alloc
  // when the pixels cannot be had or would pass kMaxBitmapBytes.
  Bitmap(int32_t width, int32_t height);
  // Adopts pixel memory kept alive by `owner`.
  Bitmap(int32_t width, int32_t height, int32_t stride, std::shared_ptr<uint8_t> pixels);

  Bitmap(Bitmap&&) noexcept = default;
  Bitmap& operator=(Bitmap&&) noexcept = default;
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  // The w x h rectangle at (x, y), sharing this bitmap's pixels and keeping
  // them alive. Throws std::invalid_argument for a rectangle not inside it.
  Bitmap Region(int32_t x, int32_t y, int32_t w, int32_t h) const;

  bool empty() const { return pixels_ == nullptr; }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  int32_t stride() const { return stride_; }
  uint8_t* data() { return pixels_.get(); }
  const uint8_t* data() const { return pixels_.get(); }
  uint8_t* row(int32_t y) { return pixels_.get() + static_cast<std::ptrdiff_t>(y) * stride_; }
  const uint8_t* row(int32_t y) const {
    return pixels_.get() + static_cast<std::ptrdiff_t>(y) * stride_;
  }

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t stride_ = 0;
  std::shared_ptr<uint8_t> pixels_;
};

}  // namespace zelmor
