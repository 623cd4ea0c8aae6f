#pragma once

// The premultiplied picture the renderer works on, shared by its box
// reductions and its kernel. Internal to the renderer.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zelmor::rendering {

constexpr int32_t kFull = 255 * 255;
// Rows of the reduced picture are padded to a whole number of these values,
// so the inner loops have a fixed length the compiler can turn into vector
// instructions (integer arithmetic: the result does not depend on it).
constexpr std::size_t kBlock = 16;
// Loops that widen 16-bit values to 32 bits or narrow them back go this many
// at a time instead: one vector of 16-bit values, so the compiler leaves no
// loop inside the block.
constexpr std::size_t kWidenBlock = 8;
static_assert(kBlock % kWidenBlock == 0);
// The reduced picture is stored less this, as signed 16-bit values, so that
// the heaviest loop multiplies 16-bit numbers only. Each output value's
// weights add up to exactly kWeightOne, so the offset comes back as
// kOffset × kWeightOne.
constexpr int32_t kOffset = 32768;

// The samples [begin, end) of an axis that one box averages.
struct Span {
  int32_t begin;
  int32_t end;
};

// How one size reduces one axis of the shared picture before the kernel.
struct SizeAxis {
  int32_t factor = 1;      // samples a box; 1 for none
  int32_t samples = 0;     // what the kernel sees, edge lines not counted
  bool edgeLines = false;  // whether the edge lines stand beside the boxes
};

inline std::size_t RoundUpToBlock(std::size_t count) {
  return (count + kBlock - 1) / kBlock * kBlock;
}

// A premultiplied picture: 4 values a pixel, in the order blue, green, red,
// alpha, each less kOffset, rows padded to a whole number of blocks.
struct Plane {
  Plane() = default;
  Plane(int32_t planeWidth, int32_t planeHeight)
      : width(planeWidth),
        height(planeHeight),
        pitch(RoundUpToBlock(static_cast<std::size_t>(planeWidth) * 4)),
        values(pitch * static_cast<std::size_t>(planeHeight)) {}

  int16_t* row(int32_t y) { return values.data() + static_cast<std::size_t>(y) * pitch; }
  const int16_t* row(int32_t y) const {
    return values.data() + static_cast<std::size_t>(y) * pitch;
  }

  int32_t width = 0;
  int32_t height = 0;
  std::size_t pitch = 0;  // values from one row to the next
  std::vector<int16_t> values;
};

}  // namespace zelmor::rendering
