#include "platform/catmull_rom_kernel.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace zelmor::rendering {
namespace {

// Weights carry 14 fractional bits. A weighted sum of 16-bit values then fits
// a signed 32-bit accumulator as long as the absolute weights of one sample
// add up to less than 2, and Catmull-Rom's never exceed 1.25.
constexpr int kWeightBits = 14;
constexpr int32_t kWeightOne = int32_t{1} << kWeightBits;

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

}  // namespace

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

}  // namespace zelmor::rendering
