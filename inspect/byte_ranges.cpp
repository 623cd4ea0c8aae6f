#include "inspect/byte_ranges.h"

#include <algorithm>
#include <tuple>

namespace zelmor {
namespace {

void SortByStart(std::vector<ByteRange>& ranges) {
  std::sort(ranges.begin(), ranges.end(), [](const ByteRange& a, const ByteRange& b) {
    // Owners break ties so the result does not depend on the sort.
    return std::tuple(a.begin, a.end, a.owner.value_or(0)) <
           std::tuple(b.begin, b.end, b.owner.value_or(0));
  });
}

}  // namespace

std::vector<Overlap> FindOverlaps(std::vector<ByteRange> ranges) {
  std::erase_if(ranges, [](const ByteRange& r) { return r.begin >= r.end || !r.owner; });
  SortByStart(ranges);
  std::vector<Overlap> overlaps;
  const ByteRange* furthest = nullptr;
  for (const ByteRange& range : ranges) {
    if (furthest != nullptr && range.begin < furthest->end) {
      overlaps.push_back({*range.owner, *furthest->owner});
    }
    if (furthest == nullptr || range.end > furthest->end) {
      furthest = &range;
    }
  }
  return overlaps;
}

std::vector<ByteRange> FindGaps(std::vector<ByteRange> ranges, uint64_t fileBytes) {
  SortByStart(ranges);
  std::vector<ByteRange> gaps;
  uint64_t covered = 0;
  for (const ByteRange& range : ranges) {
    const uint64_t begin = std::min(range.begin, fileBytes);
    if (begin > covered) {
      gaps.push_back({covered, begin, std::nullopt});
    }
    covered = std::max(covered, std::min(range.end, fileBytes));
  }
  if (covered < fileBytes) {
    gaps.push_back({covered, fileBytes, std::nullopt});
  }
  return gaps;
}

}  // namespace zelmor
