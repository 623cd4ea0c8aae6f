#pragma once

#include <cstdint>
#include <utility>

namespace zelmor {

// The sides of a picture of width x height scaled uniformly to fit a square
// of `size`: the longer side becomes `size`, the shorter is rounded to the
// nearest pixel (halves up) and is at least 1.
std::pair<int32_t, int32_t> ContainedSize(double width, double height, int32_t size);

// Where content of `content` pixels goes in `size` when centred: the extra
// pixel of an odd leftover lies after it (bottom or right).
inline int32_t CentredOffset(int32_t size, int32_t content) {
  return (size - content) / 2;
}

// The largest centred square of a width x height raster picture, as the
// rectangle (x, y, side): what a uniform scale that fills a square keeps. The
// extra column or row of an odd leftover is cut from the right or bottom.
struct SquareCrop {
  int32_t x = 0;
  int32_t y = 0;
  int32_t side = 0;
};
SquareCrop CentredSquare(int32_t width, int32_t height);

}  // namespace zelmor
