#include "platform/box_reduction.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

// Pixels are read as 32-bit words and their premultiplied values taken from
// 16-bit halves of words; the byte order of those is the Bitmap's only on
// these machines.
static_assert(std::endian::native == std::endian::little,
              "the renderer reads blue, green, red, alpha as one little-endian word");

namespace zelmor::rendering {
namespace {

// Box reductions gather rows in 32-bit column sums; this many rows of values
// up to kFull still fit.
constexpr int32_t kRowsPerPass = 65536;

// The boxes an axis of `size` samples is cut into for `reduced` samples: all
// within one sample of the same length, so box centres lie evenly spaced.
std::vector<Span> EvenBoxes(int32_t size, int32_t reduced) {
  std::vector<Span> boxes(static_cast<std::size_t>(reduced));
  for (int32_t i = 0; i < reduced; ++i) {
    boxes[i] = {static_cast<int32_t>(int64_t{i} * size / reduced),
                static_cast<int32_t>((int64_t{i} + 1) * size / reduced)};
  }
  return boxes;
}

}  // namespace

int32_t ReducedLength(int32_t size, int32_t target) {
  const int64_t factor = std::max<int64_t>(1, size / (2 * int64_t{target}));
  return static_cast<int32_t>(size / factor);
}

SizeAxis PlanSizeAxis(int32_t shared, int32_t size, int32_t largest) {
  SizeAxis axis;
  if (shared >= 2 * int64_t{largest}) {
    axis.factor = static_cast<int32_t>(std::max<int64_t>(1, shared / (2 * int64_t{size})));
    while (shared % axis.factor != 0) {
      --axis.factor;
    }
  }
  axis.samples = shared / axis.factor;
  // Past the edge the kernel sees the edge sample repeated. A box mean in its
  // place would carry on the slope of the last box from the box's middle
  // rather than from the edge, so the edge line itself stands beside the boxes.
  axis.edgeLines = axis.factor > 1;
  return axis;
}

namespace {

// The boxes of a size's own reduction, edge lines first and last.
std::vector<Span> SizeBoxes(const SizeAxis& axis) {
  std::vector<Span> boxes;
  const int32_t length = axis.samples * axis.factor;
  if (axis.edgeLines) {
    boxes.push_back({0, 1});
  }
  for (int32_t i = 0; i < axis.samples; ++i) {
    boxes.push_back({i * axis.factor, (i + 1) * axis.factor});
  }
  if (axis.edgeLines) {
    boxes.push_back({length - 1, length});
  }
  return boxes;
}

// Rounded division (halves up) of box sums by a box's pixel count, at most
// kMaxDivisor, through a multiply by a rounded-up reciprocal and a shift: for
// sums up to divisor × kFull the reciprocal's error, below sum × divisor /
// 2^shift, stays under 1 / divisor, so the quotient is exact. The reciprocal
// fits 32 bits and the product 64, which lets the compiler vectorize a row of
// divisions.
class RoundingDivider {
 public:
  static constexpr uint32_t kMaxDivisor = uint32_t{1} << 15;

  explicit RoundingDivider(uint32_t divisor) : half_(divisor / 2) {
    while ((uint32_t{1} << bits_) < divisor) {
      ++bits_;
    }
    powerOfTwo_ = (uint32_t{1} << bits_) == divisor;
    shift_ = 16 + 2 * bits_;
    multiplier_ = static_cast<uint32_t>(((uint64_t{1} << shift_) + divisor - 1) / divisor);
  }

  uint32_t operator()(uint32_t sum) const {
    return static_cast<uint32_t>(uint64_t{sum + half_} * multiplier_ >> shift_);
  }

  // A power of two, as boxes of whole-number factors of power-of-two pictures
  // mostly are, divides by a shift, which vectorizes more cheaply still.
  bool PowerOfTwo() const { return powerOfTwo_; }
  uint32_t Shifted(uint32_t sum) const { return (sum + half_) >> bits_; }

 private:
  uint32_t half_;
  int bits_ = 0;  // of the divisor, rounded up
  bool powerOfTwo_;
  uint32_t multiplier_;
  int shift_;
};

// The boxes along one axis by width: nearly all share one width (see
// EvenBoxes and SizeBoxes); the few others are listed.
struct BoxWidths {
  int32_t common = 0;
  int32_t widest = 0;
  std::vector<std::size_t> others;  // indices of the boxes not `common` wide
};

BoxWidths SortByWidth(const std::vector<Span>& boxes) {
  BoxWidths widths;
  widths.common = boxes[boxes.size() / 2].end - boxes[boxes.size() / 2].begin;
  for (std::size_t b = 0; b < boxes.size(); ++b) {
    const int32_t width = boxes[b].end - boxes[b].begin;
    widths.widest = std::max(widths.widest, width);
    if (width != widths.common) {
      widths.others.push_back(b);
    }
  }
  return widths;
}

int16_t Offset(uint32_t value) {
  return static_cast<int16_t>(static_cast<int32_t>(value) - kOffset);
}

constexpr std::size_t kBlockPixels = 4;

// `blocks` blocks of pixels, each pixel the word blue | green << 8 | red << 16
// | alpha << 24, premultiplied into 16-bit values. Each value and its
// multiplier (alpha, or 255 for alpha itself) are first laid out in 16-bit
// halves of words, which the compiler handles with whole-vector shifts and
// masks; the words are then read as 16-bit numbers and multiplied pairwise,
// which it does 8 at a time. No product passes 255 × 255, so 16 bits hold it.
void PremultiplyBlocks(const uint8_t* pixels, std::size_t blocks, uint16_t* out) {
  for (std::size_t block = 0; block < blocks; ++block) {
    uint32_t words[kBlockPixels];
    std::memcpy(words, pixels + block * kBlockPixels * 4, sizeof words);
    uint32_t pairs[2 * kBlockPixels];
    uint32_t alphas[2 * kBlockPixels];
    for (std::size_t b = 0; b < kBlockPixels; ++b) {
      const uint32_t word = words[b];
      const uint32_t alpha = word >> 24;
      pairs[2 * b] = (word & 0xFF) | (word & 0xFF00) << 8;           // blue, green
      pairs[2 * b + 1] = (word >> 16 & 0xFF) | uint32_t{255} << 16;  // red, 255
      alphas[2 * b] = alpha | alpha << 16;
      alphas[2 * b + 1] = alpha | alpha << 16;
    }
    uint16_t values[4 * kBlockPixels];
    uint16_t multipliers[4 * kBlockPixels];
    std::memcpy(values, pairs, sizeof values);
    std::memcpy(multipliers, alphas, sizeof multipliers);
    uint16_t* products = out + block * kBlockPixels * 4;
    for (std::size_t k = 0; k < 4 * kBlockPixels; ++k) {
      products[k] = static_cast<uint16_t>(values[k] * multipliers[k]);
    }
  }
}

// A row of straight-alpha pixels as premultiplied values; the last, short
// block is padded.
void PremultiplyRow(const uint8_t* row, int32_t width, uint16_t* out) {
  const auto pixels = static_cast<std::size_t>(width);
  const std::size_t whole = pixels / kBlockPixels * kBlockPixels;
  PremultiplyBlocks(row, whole / kBlockPixels, out);
  if (whole < pixels) {
    uint8_t last[kBlockPixels * 4] = {};
    std::memcpy(last, row + whole * 4, (pixels - whole) * 4);
    uint16_t products[kBlockPixels * 4];
    PremultiplyBlocks(last, 1, products);
    std::memcpy(out + whole * 4, products, (pixels - whole) * 4 * sizeof(uint16_t));
  }
}

// Adds one row's `count` values, a whole number of blocks, into column sums;
// the first row of a pass starts them instead. `value(i)` is the row's value i
// with kOffset added back where the row holds it taken off.
template <typename Value>
void AddToColumns(std::size_t count, bool first, uint32_t* sums, Value value) {
  if (first) {
    for (std::size_t k = 0; k < count; k += kWidenBlock) {
      for (std::size_t b = 0; b < kWidenBlock; ++b) {
        sums[k + b] = value(k + b);
      }
    }
    return;
  }
  for (std::size_t k = 0; k < count; k += kWidenBlock) {
    for (std::size_t b = 0; b < kWidenBlock; ++b) {
      sums[k + b] += value(k + b);
    }
  }
}

// Sums each box's column sums, 4 a box, in 32 bits: the caller keeps boxes
// small enough.
void SumBoxes(const uint32_t* columnSums, const std::vector<Span>& columns, uint32_t* boxSums) {
  for (const Span& column : columns) {
    // Named variables rather than an array, which the compiler would leave in
    // memory.
    uint32_t blue = 0;
    uint32_t green = 0;
    uint32_t red = 0;
    uint32_t alpha = 0;
    const uint32_t* sum = columnSums + static_cast<std::size_t>(column.begin) * 4;
    for (int32_t x = column.begin; x < column.end; ++x, sum += 4) {
      blue += sum[0];
      green += sum[1];
      red += sum[2];
      alpha += sum[3];
    }
    boxSums[0] = blue;
    boxSums[1] = green;
    boxSums[2] = red;
    boxSums[3] = alpha;
    boxSums += 4;
  }
}

// `count` sums, a whole number of blocks, through `mean`, in blocks the
// compiler vectorizes.
template <typename Mean>
void WriteMeans(const uint32_t* sums, std::size_t count, Mean mean, int16_t* out) {
  for (std::size_t k = 0; k < count; k += kWidenBlock) {
    for (std::size_t b = 0; b < kWidenBlock; ++b) {
      out[k + b] = Offset(mean(sums[k + b]));
    }
  }
}

// Writes the rounded means of one row of boxes, `rowCount` rows tall, from
// their sums (RoundUpToBlock(4 × boxes) of them): all with the common width's
// divider first, then the few other boxes again with their own.
void WriteBoxMeans(const uint32_t* boxSums, std::size_t count, const std::vector<Span>& columns,
                   const BoxWidths& widths, int32_t rowCount, int16_t* out) {
  const RoundingDivider common(static_cast<uint32_t>(rowCount * widths.common));
  if (common.PowerOfTwo()) {
    WriteMeans(
        boxSums, count, [&common](uint32_t sum) { return common.Shifted(sum); }, out);
  } else {
    WriteMeans(boxSums, count, common, out);
  }
  for (const std::size_t b : widths.others) {
    const RoundingDivider own(
        static_cast<uint32_t>(rowCount * (columns[b].end - columns[b].begin)));
    for (std::size_t c = b * 4; c < b * 4 + 4; ++c) {
      out[c] = Offset(own(boxSums[c]));
    }
  }
}

// Boxes of more than RoundingDivider::kMaxDivisor pixels, rare, take this
// slower way: 64-bit sums, added pass by pass, and a divide per value.
void AddToLargeBoxes(const std::vector<uint32_t>& columnSums, const std::vector<Span>& columns,
                     std::vector<uint64_t>& boxSums) {
  uint64_t* box = boxSums.data();
  for (const Span& column : columns) {
    for (int32_t x = column.begin; x < column.end; ++x) {
      for (int c = 0; c < 4; ++c) {
        box[c] += columnSums[static_cast<std::size_t>(x) * 4 + c];
      }
    }
    box += 4;
  }
}

void WriteLargeBoxMeans(const std::vector<uint64_t>& boxSums, const std::vector<Span>& columns,
                        int32_t rowCount, int16_t* out) {
  for (std::size_t b = 0; b < columns.size(); ++b) {
    const uint64_t area = static_cast<uint64_t>(rowCount) * (columns[b].end - columns[b].begin);
    for (std::size_t c = b * 4; c < b * 4 + 4; ++c) {
      out[c] = Offset(static_cast<uint32_t>((boxSums[c] + area / 2) / area));
    }
  }
}

// Box-averages a source `sourceWidth` pixels wide into a plane of `columns` x
// `rows` boxes. `addRow(y, first, sums)` adds the premultiplied values of
// source row y into 32-bit column sums (4 a pixel, RoundUpToBlock of them), or
// starts them when `first`; at most kRowsPerPass rows go into them at a time.
template <typename AddRow>
Plane ReduceByBoxes(int32_t sourceWidth, const std::vector<Span>& columns,
                    const std::vector<Span>& rows, AddRow addRow) {
  Plane plane(static_cast<int32_t>(columns.size()), static_cast<int32_t>(rows.size()));
  const BoxWidths widths = SortByWidth(columns);
  std::vector<uint32_t> columnSums(RoundUpToBlock(static_cast<std::size_t>(sourceWidth) * 4));
  std::vector<uint32_t> boxSums(plane.pitch);
  std::vector<uint64_t> largeSums;
  for (int32_t ry = 0; ry < plane.height; ++ry) {
    const Span& box = rows[ry];
    const int32_t rowCount = box.end - box.begin;
    const bool large =
        static_cast<uint64_t>(rowCount) * widths.widest > RoundingDivider::kMaxDivisor;
    if (large) {
      largeSums.assign(columns.size() * 4, 0);
    }
    for (int32_t y = box.begin; y < box.end;) {
      const int32_t passBegin = y;
      const int32_t passEnd = y + std::min(kRowsPerPass, box.end - y);
      for (; y < passEnd; ++y) {
        addRow(y, y == passBegin, columnSums.data());
      }
      if (large) {
        AddToLargeBoxes(columnSums, columns, largeSums);
      }
    }
    if (large) {
      WriteLargeBoxMeans(largeSums, columns, rowCount, plane.row(ry));
    } else {
      SumBoxes(columnSums.data(), columns, boxSums.data());
      WriteBoxMeans(boxSums.data(), boxSums.size(), columns, widths, rowCount, plane.row(ry));
    }
  }
  return plane;
}

// The shared reduction: the picture premultiplied and box-averaged to `width`

}  // namespace

Plane ReducePicture(int32_t sourceWidth, int32_t sourceHeight, const PictureRowSource& rows,
                    int32_t width, int32_t height) {
  std::vector<uint16_t> premultiplied(RoundUpToBlock(static_cast<std::size_t>(sourceWidth) * 4));
  return ReduceByBoxes(sourceWidth, EvenBoxes(sourceWidth, width), EvenBoxes(sourceHeight, height),
                       [&](int32_t y, bool first, uint32_t* sums) {
                         PremultiplyRow(rows(y), sourceWidth, premultiplied.data());
                         const uint16_t* values = premultiplied.data();
                         AddToColumns(premultiplied.size(), first, sums,
                                      [values](std::size_t i) { return uint32_t{values[i]}; });
                       });
}

// One size's own reduction of the shared picture.
Plane ReducePlane(const Plane& shared, const SizeAxis& across, const SizeAxis& down) {
  return ReduceByBoxes(shared.width, SizeBoxes(across), SizeBoxes(down),
                       [&shared](int32_t y, bool first, uint32_t* sums) {
                         const int16_t* values = shared.row(y);
                         AddToColumns(shared.pitch, first, sums, [values](std::size_t i) {
                           return static_cast<uint32_t>(values[i] + kOffset);
                         });
                       });
}

}  // namespace zelmor::rendering
