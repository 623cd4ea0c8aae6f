#include "platform/png_row_filter.h"

#include <cstdlib>
#include <utility>

namespace zelmor {
namespace {

constexpr std::size_t kPixelBytes = 4;

uint8_t PaethPredictor(int a, int b, int c) {
  const int pa = std::abs(b - c);
  const int pb = std::abs(a - c);
  const int pc = std::abs(a + b - 2 * c);
  if (pa <= pb && pa <= pc) {
    return static_cast<uint8_t>(a);
  }
  return static_cast<uint8_t>(pb <= pc ? b : c);
}

// Writes the type byte and the filtered bytes of one row to `out`.
void FilterOne(PngRowFilter filter, const uint8_t* row, const uint8_t* above, std::size_t size,
               uint8_t* out) {
  out[0] = static_cast<uint8_t>(filter);
  uint8_t* const o = out + 1;
  const std::size_t first = size < kPixelBytes ? size : kPixelBytes;
  switch (filter) {
    case PngRowFilter::kNone:
      for (std::size_t i = 0; i < size; ++i) {
        o[i] = row[i];
      }
      break;
    case PngRowFilter::kSub:
      for (std::size_t i = 0; i < first; ++i) {
        o[i] = row[i];
      }
      for (std::size_t i = kPixelBytes; i < size; ++i) {
        o[i] = static_cast<uint8_t>(row[i] - row[i - kPixelBytes]);
      }
      break;
    case PngRowFilter::kUp:
      for (std::size_t i = 0; i < size; ++i) {
        o[i] = static_cast<uint8_t>(row[i] - above[i]);
      }
      break;
    case PngRowFilter::kAverage:
      for (std::size_t i = 0; i < first; ++i) {
        o[i] = static_cast<uint8_t>(row[i] - (above[i] >> 1));
      }
      for (std::size_t i = kPixelBytes; i < size; ++i) {
        o[i] = static_cast<uint8_t>(row[i] - ((row[i - kPixelBytes] + above[i]) >> 1));
      }
      break;
    case PngRowFilter::kPaeth:
      // With nothing to the left the predictor is always the byte above.
      for (std::size_t i = 0; i < first; ++i) {
        o[i] = static_cast<uint8_t>(row[i] - above[i]);
      }
      for (std::size_t i = kPixelBytes; i < size; ++i) {
        o[i] = static_cast<uint8_t>(
            row[i] - PaethPredictor(row[i - kPixelBytes], above[i], above[i - kPixelBytes]));
      }
      break;
    case PngRowFilter::kAdaptive:
      break;  // not a filter type of its own; Filter() resolves it
  }
}

// The usual estimate of how well a filtered row compresses: the sum of its
// bytes read as signed values, taken absolute. Small residues around zero
// make short Huffman codes.
uint64_t SumOfAbsoluteValues(const uint8_t* bytes, std::size_t size) {
  uint64_t sum = 0;
  for (std::size_t i = 0; i < size; ++i) {
    sum += static_cast<uint64_t>(std::abs(static_cast<int>(static_cast<int8_t>(bytes[i]))));
  }
  return sum;
}

}  // namespace

PngRowFilterer::PngRowFilterer(std::size_t rowBytes)
    : rowBytes_(rowBytes), rows_(2 * (rowBytes + 1)) {}

const uint8_t* PngRowFilterer::Filter(PngRowFilter filter, const uint8_t* row,
                                      const uint8_t* above) {
  uint8_t* best = rows_.data();
  if (filter != PngRowFilter::kAdaptive) {
    FilterOne(filter, row, above, rowBytes_, best);
    return best;
  }
  // Every type in turn into the spare row, kept when it beats the best so
  // far; on a tie the lower type wins, so the choice is fixed.
  uint8_t* spare = rows_.data() + rowBytes_ + 1;
  uint64_t bestSum = UINT64_MAX;
  for (int type = 0; type < 5; ++type) {
    FilterOne(static_cast<PngRowFilter>(type), row, above, rowBytes_, spare);
    const uint64_t sum = SumOfAbsoluteValues(spare + 1, rowBytes_);
    if (sum < bestSum) {
      std::swap(best, spare);
      bestSum = sum;
    }
  }
  return best;
}

}  // namespace zelmor
