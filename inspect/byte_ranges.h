#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace zelmor {

// A run of file bytes [begin, end) claimed by the directory or by entry
// `owner` (nothing for the header and directory).
struct ByteRange {
  uint64_t begin = 0;
  uint64_t end = 0;
  std::optional<uint32_t> owner;
};

// For every range that shares bytes with one before it in file order, the pair
// (its owner, the owner of the range reaching furthest before it). Empty
// ranges share nothing. Sorting keeps it O(n log n) for 65535 entries.
struct Overlap {
  uint32_t later = 0;
  uint32_t earlier = 0;
};
std::vector<Overlap> FindOverlaps(std::vector<ByteRange> ranges);

// The runs of [0, fileBytes) that no range covers, in file order.
std::vector<ByteRange> FindGaps(std::vector<ByteRange> ranges, uint64_t fileBytes);

}  // namespace zelmor
