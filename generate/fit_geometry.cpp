#include "generate/fit_geometry.h"

#include <algorithm>
#include <cmath>

namespace zelmor {

std::pair<int32_t, int32_t> ContainedSize(double width, double height, int32_t size) {
  const auto shorter = [size](double part, double whole) {
    // part <= whole, so the result never passes size.
    const double scaled = std::floor(part * size / whole + 0.5);
    return std::clamp(static_cast<int32_t>(scaled), 1, size);
  };
  if (width >= height) {
    return {size, shorter(height, width)};
  }
  return {shorter(width, height), size};
}

SquareCrop CentredSquare(int32_t width, int32_t height) {
  const int32_t side = std::min(width, height);
  return SquareCrop{(width - side) / 2, (height - side) / 2, side};
}

}  // namespace zelmor
