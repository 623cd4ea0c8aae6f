#include "tests/support/gif_file.h"

#include <algorithm>
#include <cstddef>

namespace zelmor::testing {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

// LZW codes packed least significant bit first, as GIF stores them.
class CodePacker {
 public:
  void Put(uint32_t code, int bits) {
    buffer_ |= code << filled_;
    filled_ += bits;
    while (filled_ >= 8) {
      bytes_.push_back(static_cast<uint8_t>(buffer_));
      buffer_ >>= 8;
      filled_ -= 8;
    }
  }
  std::vector<uint8_t> Finish() {
    if (filled_ > 0) {
      bytes_.push_back(static_cast<uint8_t>(buffer_));
    }
    return bytes_;
  }

 private:
  uint32_t buffer_ = 0;
  int filled_ = 0;
  std::vector<uint8_t> bytes_;
};

}  // namespace

void AppendGifImageData(std::vector<uint8_t>& out, const std::vector<uint8_t>& indices) {
  constexpr uint32_t kClear = 256;
  constexpr uint32_t kEnd = 257;
  CodePacker packer;
  for (std::size_t i = 0; i < indices.size(); ++i) {
    if (i % 200 == 0) {
      packer.Put(kClear, 9);
    }
    packer.Put(indices[i], 9);
  }
  packer.Put(kEnd, 9);
  const std::vector<uint8_t> data = packer.Finish();
  out.push_back(8);  // minimum code size
  for (std::size_t at = 0; at < data.size(); at += 255) {
    const std::size_t length = std::min<std::size_t>(255, data.size() - at);
    out.push_back(static_cast<uint8_t>(length));
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
               data.begin() + static_cast<std::ptrdiff_t>(at + length));
  }
  out.push_back(0);
}

std::vector<uint8_t> BuildGif(const GifSpec& spec) {
  std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
  Put16(out, spec.screenWidth);
  Put16(out, spec.screenHeight);
  out.insert(out.end(), {0xF7, spec.background, 0});  // 256-colour global table follows
  for (std::size_t i = 0; i < 256; ++i) {
    const uint32_t rgb = i < spec.palette.size() ? spec.palette[i] : 0;
    out.insert(out.end(), {static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                           static_cast<uint8_t>(rgb)});
  }
  // A comment before the frame, which a reader must step over.
  out.insert(out.end(), {0x21, 0xFE, 3, 'z', 'e', 'l', 0});
  if (spec.transparent) {
    out.insert(out.end(), {0x21, 0xF9, 4, 0x01, 0, 0, *spec.transparent, 0});
  }
  out.push_back(0x2C);
  Put16(out, spec.left);
  Put16(out, spec.top);
  Put16(out, spec.width);
  Put16(out, spec.height);
  out.push_back(0);
  AppendGifImageData(out, spec.indices);
  out.push_back(0x3B);
  return out;
}

}  // namespace zelmor::testing
