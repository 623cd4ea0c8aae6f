#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "encoding/icon_image.h"

namespace zelmor::test {

// A square top-down BGRA picture as a locked bitmap hands it out. Rows may
// carry `padding` extra bytes filled with a marker value, so a test can see
// whether the encoder ever reads past a row's last pixel.
class BgraPicture {
 public:
  explicit BgraPicture(int32_t size, int32_t padding = 0, uint8_t paddingByte = 0xA5)
      : size_(size),
        stride_(4 * size + padding),
        bytes_(static_cast<size_t>(stride_) * static_cast<size_t>(size), paddingByte) {
    Fill(0, 0, 0, 255);
  }

  void Set(int32_t x, int32_t y, uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha = 255) {
    uint8_t* p = bytes_.data() + static_cast<size_t>(y) * static_cast<size_t>(stride_) +
                 4 * static_cast<size_t>(x);
    p[0] = blue;
    p[1] = green;
    p[2] = red;
    p[3] = alpha;
  }

  void Fill(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) {
    for (int32_t y = 0; y < size_; ++y) {
      for (int32_t x = 0; x < size_; ++x) Set(x, y, red, green, blue, alpha);
    }
  }

  const uint8_t* Pixel(int32_t x, int32_t y) const {
    return bytes_.data() + static_cast<size_t>(y) * static_cast<size_t>(stride_) +
           4 * static_cast<size_t>(x);
  }

  IconImageData Encode(int bits) const {
    return EncodeIconImage(bytes_.data(), size_, stride_, bits);
  }

  int32_t size() const { return size_; }
  int32_t stride() const { return stride_; }
  const uint8_t* data() const { return bytes_.data(); }

 private:
  int32_t size_;
  int32_t stride_;
  std::vector<uint8_t> bytes_;
};

}  // namespace zelmor::test
