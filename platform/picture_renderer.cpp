// Picture scaling written out by hand rather than left to Qt: Qt's smooth
// scaling is neither Catmull-Rom nor promised to give the same bytes on every
// machine (its results follow the SIMD path it picks). Here every weight and
// every sum is an integer, so the output depends on nothing but the input.
//
// The picture is held premultiplied in 16 bits a channel: colour × alpha and
// alpha × 255, both 0 to 65025. An axis four or more times the largest size
// is first reduced by an exact box average over a whole number of pixels, once,
// to between two and four times that size. Each size then takes its own exact
// box average of that shared picture, over boxes of equal length, down to no
// less than twice its own size, so that small sizes do not pay for the kernel
// over the whole shared picture; axes under twice the largest size skip both.
// Last comes a separable Catmull-Rom kernel, widened by the shrink factor when
// shrinking, so that detail finer than the output averages out instead of
// aliasing. Samples sit at pixel centres and the edges are extended. No size is
// made from another size's result.
#include "platform/picture_renderer.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <utility>
#include <vector>

// Pixels are read as 32-bit words and their premultiplied values taken from
// 16-bit halves of words; the byte order of those is the Bitmap's only on
// these machines.
static_assert(std::endian::native == std::endian::little,
              "the renderer reads blue, green, red, alpha as one little-endian word");

namespace zelmor {
namespace {

// Weights carry 14 fractional bits. A weighted sum of 16-bit values then fits
// a signed 32-bit accumulator as long as the absolute weights of one sample
// add up to less than 2, and Catmull-Rom's never exceed 1.25.
constexpr int kWeightBits = 14;
constexpr int32_t kWeightOne = int32_t{1} << kWeightBits;
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
// Box reductions gather rows in 32-bit column sums; this many rows of values
// up to kFull still fit.
constexpr int32_t kRowsPerPass = 65536;

// Keys' cubic with a = -0.5 at |t| = distance / 2^16, times 2^49.
int64_t CatmullRom(int64_t distance) {
  constexpr int64_t kOne = int64_t{1} << 16;
  const int64_t t = distance;
  if (t <= kOne) {
    return 3 * t * t * t - 5 * t * t * kOne + 2 * kOne * kOne * kOne;
  }
  if (t < 2 * kOne) {
    return -t * t * t + 5 * t * t * kOne - 8 * t * kOne * kOne + 4 * kOne * kOne * kOne;
  }
  return 0;
}

int64_t FloorDiv(int64_t a, int64_t b) {  // b > 0
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

int64_t RoundDiv(int64_t a, int64_t b) {  // b > 0, halves away from zero
  return a >= 0 ? (a + b / 2) / b : -((-a + b / 2) / b);
}

// The source samples one axis's output samples are made of.
struct AxisWeights {
  std::vector<int32_t> first;   // first source index of output sample j
  std::vector<int32_t> count;   // number of source samples it takes
  std::vector<int32_t> offset;  // where its weights start in `weights`
  std::vector<int32_t> weights;
};

// Weights for resampling `source` samples into `target` samples. Sample
// centres are aligned (source i at i + 0.5, output j at (j + 0.5) × source /
// target); positions beyond the edge take the edge sample, or, with
// `edgeLines`, the edge lines stored before and after the samples (which then
// sit at 1 to `source`). Each output sample's weights add up to exactly
// kWeightOne, so a flat area stays exactly the same value.
AxisWeights BuildAxis(int32_t source, int32_t target, bool edgeLines) {
  // The distance between source i and output j, in kernel units, is
  // ((2i + 1) × target − (2j + 1) × source) / den: the kernel is stretched by
  // source / target when shrinking.
  const int64_t den = 2 * int64_t{std::max(source, target)};
  const int64_t step = 2 * int64_t{target};
  AxisWeights axis;
  axis.first.resize(target);
  axis.count.resize(target);
  axis.offset.resize(target);
  // Where positions beyond either edge land.
  const int64_t lowest = edgeLines ? -1 : 0;
  const int64_t highest = edgeLines ? source : source - 1;
  std::vector<int64_t> raw;
  for (int32_t j = 0; j < target; ++j) {
    const int64_t centre = (2 * int64_t{j} + 1) * source;
    const int64_t lo = FloorDiv(centre - 2 * den - target, step);
    const int64_t hi = FloorDiv(centre + 2 * den - target, step) + 1;
    const int64_t first = std::clamp<int64_t>(lo, lowest, highest);
    const int64_t last = std::clamp<int64_t>(hi, lowest, highest);
    raw.assign(static_cast<std::size_t>(last - first + 1), 0);
    int64_t total = 0;
    for (int64_t i = lo; i <= hi; ++i) {
      const int64_t num = (2 * i + 1) * target - centre;
      const int64_t distance = ((num < 0 ? -num : num) * (int64_t{1} << 16) + den / 2) / den;
      // 2^29 at most, so thousands of them still add up within 64 bits.
      const int64_t value = CatmullRom(distance) / (int64_t{1} << 20);
      raw[static_cast<std::size_t>(std::clamp(i, first, last) - first)] += value;
      total += value;
    }
    std::vector<int32_t> weights(raw.size());
    int64_t sum = 0;
    std::size_t peak = 0;
    for (std::size_t k = 0; k < raw.size(); ++k) {
      weights[k] = static_cast<int32_t>(RoundDiv(raw[k] * kWeightOne, total));
      sum += weights[k];
      if (weights[k] > weights[peak]) {
        peak = k;
      }
    }
    weights[peak] += static_cast<int32_t>(kWeightOne - sum);
    // Samples of weight 0 at either end cost time and add nothing.
    std::size_t begin = 0;
    std::size_t end = weights.size();
    while (weights[begin] == 0) {
      ++begin;
    }
    while (weights[end - 1] == 0) {
      --end;
    }
    axis.first[j] = static_cast<int32_t>(first - lowest + static_cast<int64_t>(begin));
    axis.count[j] = static_cast<int32_t>(end - begin);
    axis.offset[j] = static_cast<int32_t>(axis.weights.size());
    axis.weights.insert(axis.weights.end(), weights.begin() + static_cast<std::ptrdiff_t>(begin),
                        weights.begin() + static_cast<std::ptrdiff_t>(end));
  }
  return axis;
}

// The samples [begin, end) of an axis that one box averages.
struct Span {
  int32_t begin;
  int32_t end;
};

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

// The length of an axis of `size` samples after the largest whole-number box
// reduction that keeps at least twice `target` samples; unchanged when it is
// shorter than that.
int32_t ReducedLength(int32_t size, int32_t target) {
  const int64_t factor = std::max<int64_t>(1, size / (2 * int64_t{target}));
  return static_cast<int32_t>(size / factor);
}

// How one size reduces one axis of the shared picture before the kernel.
struct SizeAxis {
  int32_t factor = 1;      // samples a box; 1 for none
  int32_t samples = 0;     // what the kernel sees, edge lines not counted
  bool edgeLines = false;  // whether the edge lines stand beside the boxes
};

// Boxes of a size's own reduction are all equally long, so their centres lie
// exactly on the even grid the kernel assumes: the factor is the largest
// divisor of the axis that keeps at least twice the size. An axis the picture
// had under twice the largest size was not reduced for any size and is not
// here either: it is cheap to resample as it is, and the kernel alone is the
// more faithful filter.
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

std::size_t RoundUpToBlock(std::size_t count) {
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

// ---- Box reductions ----

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
// x `height`.
Plane ReducePicture(const Bitmap& picture, int32_t width, int32_t height) {
  std::vector<uint16_t> premultiplied(
      RoundUpToBlock(static_cast<std::size_t>(picture.width()) * 4));
  return ReduceByBoxes(picture.width(), EvenBoxes(picture.width(), width),
                       EvenBoxes(picture.height(), height),
                       [&](int32_t y, bool first, uint32_t* sums) {
                         PremultiplyRow(picture.row(y), picture.width(), premultiplied.data());
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

// ---- The kernel ----

int32_t Clamp16(int32_t accumulated, int32_t high) {
  return std::clamp((accumulated + kWeightOne / 2) >> kWeightBits, 0, high);
}

// Output row `j` of the kernel down the columns of `plane`: weighted sums of
// whole plane rows, clamped to 0 to kFull and stored less kOffset like the
// plane, `plane.pitch` of them.
void FilterDown(const Plane& plane, const AxisWeights& vertical, int32_t j,
                std::vector<int32_t>& acc, int16_t* out) {
  const std::size_t lanes = plane.pitch;
  const int32_t* weight = vertical.weights.data() + vertical.offset[j];
  const int32_t taps = vertical.count[j];
  const int16_t* row = plane.row(vertical.first[j]);
  for (std::size_t k = 0; k < lanes; k += kBlock) {
    for (std::size_t b = 0; b < kBlock; ++b) {
      acc[k + b] = kOffset * kWeightOne;
    }
  }
  // Four rows at a time, to pass over the sums less often. Every weight fits
  // 16 bits, and the absolute weights of one output value add up to about
  // 1.25 × kWeightOne at most, so no partial sum leaves 32 bits.
  int32_t t = 0;
  for (; t + 4 <= taps; t += 4, row += 4 * lanes) {
    const auto w0 = static_cast<int16_t>(weight[t]);
    const auto w1 = static_cast<int16_t>(weight[t + 1]);
    const auto w2 = static_cast<int16_t>(weight[t + 2]);
    const auto w3 = static_cast<int16_t>(weight[t + 3]);
    for (std::size_t k = 0; k < lanes; k += kBlock) {
      for (std::size_t b = 0; b < kBlock; ++b) {
        const std::size_t at = k + b;
        acc[at] += w0 * row[at] + w1 * row[lanes + at] + w2 * row[2 * lanes + at] +
                   w3 * row[3 * lanes + at];
      }
    }
  }
  for (; t < taps; ++t, row += lanes) {
    const auto w = static_cast<int16_t>(weight[t]);
    for (std::size_t k = 0; k < lanes; k += kBlock) {
      for (std::size_t b = 0; b < kBlock; ++b) {
        acc[k + b] += w * row[k + b];
      }
    }
  }
  for (std::size_t k = 0; k < lanes; k += kBlock) {
    for (std::size_t b = 0; b < kBlock; ++b) {
      out[k + b] = static_cast<int16_t>(Clamp16(acc[k + b], kFull) - kOffset);
    }
  }
}

// The weights across a row laid out for FilterAcross: each output pixel's
// source pixels taken two at a time, every weight repeated for the pixel's 4
// values, as 16-bit numbers (an odd count ends with a zero weight). Two source
// pixels are then 8 values next to each other, which the compiler multiplies
// in one vector.
struct AcrossWeights {
  std::vector<int32_t> first;   // first source pixel of output pixel i
  std::vector<int32_t> pairs;   // pairs of source pixels it takes
  std::vector<int32_t> offset;  // where its weights start in `weights`
  std::vector<int16_t> weights;
};

AcrossWeights SpreadForAcross(const AxisWeights& axis) {
  AcrossWeights across;
  const std::size_t count = axis.first.size();
  across.first = axis.first;
  across.pairs.resize(count);
  across.offset.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    across.pairs[i] = (axis.count[i] + 1) / 2;
    across.offset[i] = static_cast<int32_t>(across.weights.size());
    for (int32_t t = 0; t < 2 * across.pairs[i]; ++t) {
      const int32_t weight = t < axis.count[i] ? axis.weights[axis.offset[i] + t] : 0;
      across.weights.insert(across.weights.end(), 4, static_cast<int16_t>(weight));
    }
  }
  return across;
}

// A premultiplied colour back to straight alpha in 8 bits: (colour × 255 +
// alpha / 2) / alpha. For opaque pixels, the common case, that is (colour +
// 127) / 255 (255 × colour + 32512 lies 127.5 × 255 above 255 × colour, and no
// multiple of 255 × 255 falls in the last half step), a division by a constant,
// which compiles to a multiply. Other alphas take one reciprocal, rounded up,
// for all three colours: the numerator stays below 2^24 and alpha below 2^16,
// so its error stays under 1 / alpha and the quotient is exact.
void Unpremultiply(const int32_t* colour, int32_t alpha, uint8_t* out) {
  if (alpha == kFull) {
    for (int c = 0; c < 3; ++c) {
      out[c] = static_cast<uint8_t>((colour[c] + 127) / 255);
    }
    return;
  }
  const uint64_t reciprocal =
      ((uint64_t{1} << 40) + static_cast<uint64_t>(alpha) - 1) / static_cast<uint64_t>(alpha);
  for (int c = 0; c < 3; ++c) {
    const auto numerator = static_cast<uint64_t>(colour[c] * 255 + alpha / 2);
    out[c] = static_cast<uint8_t>(numerator * reciprocal >> 40);
  }
}

// The kernel across one row of values (stored less kOffset, with one spare
// pixel after the last), back to straight alpha in 8 bits: `size` pixels into
// `out`, which is all zero.
void FilterAcross(const int16_t* values, const AcrossWeights& horizontal, int32_t size,
                  uint8_t* out) {
  for (int32_t i = 0; i < size; ++i, out += 4) {
    const int16_t* weight = horizontal.weights.data() + horizontal.offset[i];
    const int16_t* p = values + static_cast<std::size_t>(horizontal.first[i]) * 4;
    int32_t acc[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    for (int32_t t = 0; t < horizontal.pairs[i]; ++t, p += 8, weight += 8) {
      for (int k = 0; k < 8; ++k) {
        acc[k] += int32_t{weight[k]} * p[k];
      }
    }
    // The weights add up to kWeightOne, so the offset comes back as this.
    int32_t sum[4];
    for (int c = 0; c < 4; ++c) {
      sum[c] = acc[c] + acc[4 + c] + kOffset * kWeightOne;
    }
    const int32_t alpha = Clamp16(sum[3], kFull);
    const int32_t alpha8 = (alpha + 127) / 255;
    if (alpha8 == 0) {
      continue;  // left all zero
    }
    int32_t colour[3];
    for (int c = 0; c < 3; ++c) {
      colour[c] = Clamp16(sum[c], alpha);
    }
    Unpremultiply(colour, alpha, out);
    out[3] = static_cast<uint8_t>(alpha8);
  }
}

// The kernel over `plane` into `canvas`: down the columns first, that pass
// going over whole rows, which vectorizes, and meeting the larger number of
// values; then across each row as soon as it is done, so that no more than a
// row of the intermediate is ever held.
void Resample(const Plane& plane, const SizeAxis& across, const SizeAxis& down, int32_t width,
              int32_t height, Bitmap& canvas) {
  const AxisWeights vertical = BuildAxis(down.samples, height, down.edgeLines);
  const AcrossWeights horizontal =
      SpreadForAcross(BuildAxis(across.samples, width, across.edgeLines));
  std::vector<int32_t> acc(plane.pitch);
  // A block more than a plane row: FilterAcross may read one pixel past the
  // last, with a weight of 0.
  std::vector<int16_t> row(plane.pitch + kBlock);
  for (int32_t j = 0; j < height; ++j) {
    FilterDown(plane, vertical, j, acc, row.data());
    FilterAcross(row.data(), horizontal, width, canvas.row(j));
  }
}

}  // namespace

struct PictureRenderer::Impl {
  // The sizes' own reductions of the shared picture, by their factors. Sizes
  // that reduce alike (128 and 96 from a shared picture 512 wide, for one)
  // take the same one rather than each making it again; it is the same box
  // average either way.
  const Plane& ReductionFor(const SizeAxis& across, const SizeAxis& down) {
    const std::lock_guard<std::mutex> lock(reductionsLock);  // Render may run on several threads
    for (const auto& [factors, plane] : reductions) {
      if (factors == std::make_pair(across.factor, down.factor)) {
        return *plane;
      }
    }
    return *reductions
                .emplace_back(std::make_pair(across.factor, down.factor),
                              std::make_unique<const Plane>(ReducePlane(shared, across, down)))
                .second;
  }

  int32_t largest = 0;
  Plane shared;  // the picture premultiplied, possibly reduced
  std::mutex reductionsLock;
  std::vector<std::pair<std::pair<int32_t, int32_t>, std::unique_ptr<const Plane>>> reductions;
  // A picture no larger than the largest size in either direction, byte for
  // byte, for the size it already has: it is copied unchanged whatever its
  // alpha holds.
  int32_t exactWidth = 0;
  int32_t exactHeight = 0;
  std::vector<uint8_t> exact;
};

PictureRenderer::PictureRenderer(const Bitmap& picture, int32_t largestSize)
    : impl_(std::make_unique<Impl>()) {
  if (picture.empty() || largestSize < 1) {
    throw std::invalid_argument("PictureRenderer: no picture or no size");
  }
  Impl& d = *impl_;
  d.largest = largestSize;
  const int32_t sourceWidth = picture.width();
  const int32_t sourceHeight = picture.height();
  if (sourceWidth <= largestSize && sourceHeight <= largestSize) {
    d.exactWidth = sourceWidth;
    d.exactHeight = sourceHeight;
    d.exact.resize(static_cast<std::size_t>(sourceWidth) * sourceHeight * 4);
    for (int32_t y = 0; y < sourceHeight; ++y) {
      std::memcpy(d.exact.data() + static_cast<std::size_t>(y) * sourceWidth * 4, picture.row(y),
                  static_cast<std::size_t>(sourceWidth) * 4);
    }
  }
  d.shared = ReducePicture(picture, ReducedLength(sourceWidth, largestSize),
                           ReducedLength(sourceHeight, largestSize));
}

PictureRenderer::~PictureRenderer() = default;

Bitmap PictureRenderer::Render(int32_t size) const {
  return Render(size, size);
}

Bitmap PictureRenderer::Render(int32_t width, int32_t height) const {
  Impl& d = *impl_;
  if (width < 1 || height < 1 || width > d.largest || height > d.largest) {
    throw std::invalid_argument("PictureRenderer: size outside 1 to the largest size");
  }
  Bitmap canvas(width, height);
  if (width == d.exactWidth && height == d.exactHeight) {
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    for (int32_t y = 0; y < height; ++y) {
      std::memcpy(canvas.row(y), d.exact.data() + static_cast<std::size_t>(y) * rowBytes, rowBytes);
    }
    return canvas;
  }
  const SizeAxis across = PlanSizeAxis(d.shared.width, width, d.largest);
  const SizeAxis down = PlanSizeAxis(d.shared.height, height, d.largest);
  if (across.factor > 1 || down.factor > 1) {
    Resample(d.ReductionFor(across, down), across, down, width, height, canvas);
  } else {
    Resample(d.shared, across, down, width, height, canvas);
  }
  return canvas;
}

}  // namespace zelmor
