#include "platform/bmp_run_length.h"

#include <algorithm>

namespace zelmor {
namespace {

// Where the next pixel goes, in stored rows (the first stored row is the
// bottom one unless the picture is top-down).
class RunCursor {
 public:
  RunCursor(const BmpLayout& layout, Bitmap& canvas) : layout_(layout), canvas_(canvas) {}

  bool done() const { return row_ >= layout_.height; }
  void NextLine() {
    x_ = 0;
    ++row_;
  }
  // A jump may leave the picture to the right or above; what follows it is
  // then not drawn.
  void Jump(uint32_t right, uint32_t up) {
    x_ += right;
    row_ += up;
  }
  void Put(const std::array<uint8_t, 4>& colour) {
    if (x_ < layout_.width && row_ < layout_.height) {
      const int64_t y = layout_.topDown ? row_ : layout_.height - 1 - row_;
      std::copy_n(colour.begin(), 4,
                  canvas_.row(static_cast<int32_t>(y)) + 4 * static_cast<std::ptrdiff_t>(x_));
    }
    ++x_;
  }

 private:
  const BmpLayout& layout_;
  Bitmap& canvas_;
  int64_t x_ = 0;
  int64_t row_ = 0;
};

}  // namespace

void DrawBmpRuns(const uint8_t* data, std::size_t size, const BmpLayout& layout, Bitmap& canvas) {
  RunCursor cursor(layout, canvas);
  const auto bgr = [data](uint64_t at) -> std::array<uint8_t, 4> {
    return {data[at], data[at + 1], data[at + 2], 255};
  };
  uint64_t at = layout.pixelsAt;
  while (!cursor.done() && at + 2 <= size) {
    const uint32_t count = data[at];
    const uint32_t value = data[at + 1];
    at += 2;
    if (count > 0) {
      // One colour (RLE8, RLE24) or two alternating (RLE4) repeated.
      if (layout.coding == BmpCoding::kRle24) {
        if (at + 2 > size) {
          return;
        }
        const std::array<uint8_t, 4> colour = bgr(at - 1);
        at += 2;
        for (uint32_t i = 0; i < count; ++i) {
          cursor.Put(colour);
        }
      } else if (layout.coding == BmpCoding::kRle8) {
        for (uint32_t i = 0; i < count; ++i) {
          cursor.Put(layout.palette[value]);
        }
      } else {
        for (uint32_t i = 0; i < count; ++i) {
          cursor.Put(layout.palette[i % 2 == 0 ? value >> 4 : value & 0x0F]);
        }
      }
      continue;
    }
    if (value == 0) {
      cursor.NextLine();
    } else if (value == 1) {
      return;
    } else if (value == 2) {
      if (at + 2 > size) {
        return;
      }
      cursor.Jump(data[at], data[at + 1]);
      at += 2;
    } else {
      // `value` pixels given one by one, padded to a whole number of 16-bit words.
      const uint64_t pixels = value;
      const uint64_t bytes = layout.coding == BmpCoding::kRle24  ? 3 * pixels
                             : layout.coding == BmpCoding::kRle8 ? pixels
                                                                 : (pixels + 1) / 2;
      // A cut absolute run still gives the pixels it holds.
      const uint64_t have = std::min<uint64_t>(bytes, size - at);
      for (uint64_t i = 0; i < pixels; ++i) {
        if (layout.coding == BmpCoding::kRle24) {
          if (3 * i + 3 > have) {
            return;
          }
          cursor.Put(bgr(at + 3 * i));
        } else if (layout.coding == BmpCoding::kRle8) {
          if (i >= have) {
            return;
          }
          cursor.Put(layout.palette[data[at + i]]);
        } else {
          if (i / 2 >= have) {
            return;
          }
          const uint8_t pair = data[at + i / 2];
          cursor.Put(layout.palette[i % 2 == 0 ? pair >> 4 : pair & 0x0F]);
        }
      }
      at += (bytes + 1) / 2 * 2;
    }
  }
}

}  // namespace zelmor
