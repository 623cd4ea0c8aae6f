#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zelmor {

// How the rows of a PNG stream are filtered before deflate: one of the five
// filter types for every row, or per row the type whose output looks most
// compressible.
enum class PngRowFilter : uint8_t { kNone, kSub, kUp, kAverage, kPaeth, kAdaptive };

// Filters rows of 8-bit RGBA pixels (4 bytes a pixel) for a PNG stream. Holds
// the scratch rows, so one object serves every row of a picture.
class PngRowFilterer {
 public:
  explicit PngRowFilterer(std::size_t rowBytes);

  // The filtered row: its filter type byte followed by rowBytes bytes, valid
  // until the next call. `above` is the row above, all zero for the first.
  const uint8_t* Filter(PngRowFilter filter, const uint8_t* row, const uint8_t* above);

 private:
  std::size_t rowBytes_;
  // Two filtered rows of rowBytes + 1 bytes: the answer and, for the adaptive
  // choice, the next candidate.
  std::vector<uint8_t> rows_;
};

}  // namespace zelmor
