#include "platform/gif_frame.h"

#include <algorithm>
#include <cstring>

#include "platform/little_endian.h"

namespace zelmor {

std::optional<GifRegion> FirstGifFrame(const uint8_t* data, std::size_t size) {
  constexpr uint64_t kScreenEnd = 13;  // signature, version, logical screen descriptor
  if (data == nullptr || size < kScreenEnd || std::memcmp(data, "GIF", 3) != 0) {
    return std::nullopt;
  }
  uint64_t at = kScreenEnd;
  const uint8_t flags = data[10];
  if (flags & 0x80) {
    at += 3 * (uint64_t{2} << (flags & 7));  // the global colour table
  }
  // Extensions (graphic control, comments, application data) come before
  // the first image descriptor, each a label and sub-blocks up to an empty one.
  while (at < size) {
    const uint8_t introducer = data[at];
    if (introducer == 0x2C) {
      if (at + 9 > size) {
        return std::nullopt;
      }
      return GifRegion{ReadU16(data + at + 1), ReadU16(data + at + 3), ReadU16(data + at + 5),
                       ReadU16(data + at + 7)};
    }
    if (introducer != 0x21 || at + 2 > size) {
      return std::nullopt;
    }
    at += 2;
    while (at < size && data[at] != 0) {
      at += 1 + uint64_t{data[at]};
    }
    ++at;
  }
  return std::nullopt;
}

void ClearOutside(const GifRegion& region, Bitmap& picture) {
  const int64_t width = picture.width();
  const int64_t left = std::clamp<int64_t>(region.left, 0, width);
  const int64_t right = std::clamp<int64_t>(region.left + region.width, left, width);
  const int64_t top = std::clamp<int64_t>(region.top, 0, picture.height());
  const int64_t bottom = std::clamp<int64_t>(region.top + region.height, top, picture.height());
  for (int32_t y = 0; y < picture.height(); ++y) {
    uint8_t* row = picture.row(y);
    if (y < top || y >= bottom) {
      std::memset(row, 0, static_cast<std::size_t>(4 * width));
      continue;
    }
    std::memset(row, 0, static_cast<std::size_t>(4 * left));
    std::memset(row + 4 * right, 0, static_cast<std::size_t>(4 * (width - right)));
  }
}

}  // namespace zelmor
