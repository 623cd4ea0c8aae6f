// Picture scaling written out by hand rather than left to Qt: Qt's smooth
// scaling is neither Catmull-Rom nor promised to give the same bytes on every
// machine (its results follow the SIMD path it picks). Here every weight and
// every sum is an integer, so the output depends on nothing but the input.
//
// The picture is held premultiplied in 16 bits a channel: colour × alpha and
// alpha × 255, both 0 to 65025. An axis four or more times the largest size
// is first reduced by an exact box average over a whole number of pixels, once,
// to between two and four times that size; each size is then resampled from
// this with a separable Catmull-Rom kernel, widened by the shrink factor when
// shrinking, so that detail finer than the output averages out instead of
// aliasing. Samples sit at pixel centres and the edges are extended.
#include "platform/picture_renderer.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

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
// The reduced picture is stored less this, as signed 16-bit values, so that
// the heaviest loop multiplies 16-bit numbers only. Each output value's
// weights add up to exactly kWeightOne, so the offset comes back as
// kOffset × kWeightOne.
constexpr int32_t kOffset = 32768;

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
// target); positions beyond the edge take the edge sample. Each output
// sample's weights add up to exactly kWeightOne, so a flat area stays exactly
// the same value.
AxisWeights BuildAxis(int32_t source, int32_t target) {
  // The distance between source i and output j, in kernel units, is
  // ((2i + 1) × target − (2j + 1) × source) / den: the kernel is stretched by
  // source / target when shrinking.
  const int64_t den = 2 * int64_t{std::max(source, target)};
  const int64_t step = 2 * int64_t{target};
  AxisWeights axis;
  axis.first.resize(target);
  axis.count.resize(target);
  axis.offset.resize(target);
  std::vector<int64_t> raw;
  for (int32_t j = 0; j < target; ++j) {
    const int64_t centre = (2 * int64_t{j} + 1) * source;
    const int64_t lo = FloorDiv(centre - 2 * den - target, step);
    const int64_t hi = FloorDiv(centre + 2 * den - target, step) + 1;
    const int64_t first = std::clamp<int64_t>(lo, 0, source - 1);
    const int64_t last = std::clamp<int64_t>(hi, 0, source - 1);
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
    axis.first[j] = static_cast<int32_t>(first + static_cast<int64_t>(begin));
    axis.count[j] = static_cast<int32_t>(end - begin);
    axis.offset[j] = static_cast<int32_t>(axis.weights.size());
    axis.weights.insert(axis.weights.end(), weights.begin() + static_cast<std::ptrdiff_t>(begin),
                        weights.begin() + static_cast<std::ptrdiff_t>(end));
  }
  return axis;
}

// Bounds of the boxes an axis of `size` samples is cut into for `reduced`
// samples: box i covers [bounds[i], bounds[i + 1]), all within one sample of
// the same length, so box centres lie evenly spaced.
std::vector<int32_t> BoxBounds(int32_t size, int32_t reduced) {
  std::vector<int32_t> bounds(static_cast<std::size_t>(reduced) + 1);
  for (int32_t i = 0; i <= reduced; ++i) {
    bounds[i] = static_cast<int32_t>(int64_t{i} * size / reduced);
  }
  return bounds;
}

// The per-axis reduced length: the source length divided by the largest
// integer factor that keeps it at least twice `largest`; unchanged when the
// source is shorter than that.
int32_t ReducedLength(int32_t size, int32_t largest) {
  const int64_t factor = std::max<int64_t>(1, size / (2 * int64_t{largest}));
  return static_cast<int32_t>(size / factor);
}

int32_t Clamp16(int32_t accumulated, int32_t high) {
  return std::clamp((accumulated + kWeightOne / 2) >> kWeightBits, 0, high);
}

}  // namespace

struct PictureRenderer::Impl {
  int32_t largest = 0;
  // The premultiplied, possibly reduced picture: 4 values a pixel, in the
  // order blue, green, red, alpha, each less kOffset.
  int32_t width = 0;
  int32_t height = 0;
  std::size_t pitch = 0;  // values from one row to the next
  std::vector<int16_t> pixels;
  // A square picture no larger than the largest size, byte for byte, for the
  // size it already has: it is copied unchanged whatever its alpha holds.
  int32_t exactSize = 0;
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
  if (sourceWidth == sourceHeight && sourceWidth <= largestSize) {
    d.exactSize = sourceWidth;
    d.exact.resize(static_cast<std::size_t>(sourceWidth) * sourceWidth * 4);
    for (int32_t y = 0; y < sourceHeight; ++y) {
      std::memcpy(d.exact.data() + static_cast<std::size_t>(y) * sourceWidth * 4, picture.row(y),
                  static_cast<std::size_t>(sourceWidth) * 4);
    }
  }

  d.width = ReducedLength(sourceWidth, largestSize);
  d.height = ReducedLength(sourceHeight, largestSize);
  const std::vector<int32_t> columns = BoxBounds(sourceWidth, d.width);
  const std::vector<int32_t> rows = BoxBounds(sourceHeight, d.height);
  d.pitch = (static_cast<std::size_t>(d.width) * 4 + kBlock - 1) / kBlock * kBlock;
  d.pixels.resize(d.pitch * static_cast<std::size_t>(d.height));
  std::vector<uint64_t> sums(static_cast<std::size_t>(d.width) * 4);
  for (int32_t ry = 0; ry < d.height; ++ry) {
    std::fill(sums.begin(), sums.end(), 0);
    for (int32_t y = rows[ry]; y < rows[ry + 1]; ++y) {
      const uint8_t* row = picture.row(y);
      uint64_t* sum = sums.data();
      for (int32_t rx = 0; rx < d.width; ++rx, sum += 4) {
        uint64_t blue = 0;
        uint64_t green = 0;
        uint64_t red = 0;
        uint64_t alpha = 0;
        for (int32_t x = columns[rx]; x < columns[rx + 1]; ++x) {
          const uint8_t* p = row + static_cast<std::ptrdiff_t>(x) * 4;
          const uint32_t a = p[3];
          blue += p[0] * a;
          green += p[1] * a;
          red += p[2] * a;
          alpha += a;
        }
        sum[0] += blue;
        sum[1] += green;
        sum[2] += red;
        sum[3] += alpha * 255;
      }
    }
    const uint64_t boxRows = static_cast<uint64_t>(rows[ry + 1] - rows[ry]);
    int16_t* out = d.pixels.data() + static_cast<std::size_t>(ry) * d.pitch;
    for (int32_t rx = 0; rx < d.width; ++rx) {
      const uint64_t area = boxRows * static_cast<uint64_t>(columns[rx + 1] - columns[rx]);
      for (int c = 0; c < 4; ++c) {
        const auto mean = static_cast<int32_t>((sums[rx * 4 + c] + area / 2) / area);
        out[rx * 4 + c] = static_cast<int16_t>(mean - kOffset);
      }
    }
  }
}

PictureRenderer::~PictureRenderer() = default;

Bitmap PictureRenderer::Render(int32_t size) const {
  const Impl& d = *impl_;
  if (size < 1 || size > d.largest) {
    throw std::invalid_argument("PictureRenderer: size outside 1 to the largest size");
  }
  Bitmap canvas(size, size);
  if (size == d.exactSize) {
    for (int32_t y = 0; y < size; ++y) {
      std::memcpy(canvas.row(y), d.exact.data() + static_cast<std::size_t>(y) * size * 4,
                  static_cast<std::size_t>(size) * 4);
    }
    return canvas;
  }

  // Columns first: each output row is a weighted sum of whole reduced rows.
  const AxisWeights vertical = BuildAxis(d.height, size);
  const std::size_t lanes = d.pitch;
  std::vector<uint16_t> middle(lanes * static_cast<std::size_t>(size));
  std::vector<int32_t> acc(lanes);
  for (int32_t j = 0; j < size; ++j) {
    std::fill(acc.begin(), acc.end(), kOffset * kWeightOne);
    const int32_t* weight = vertical.weights.data() + vertical.offset[j];
    const int32_t taps = vertical.count[j];
    const int16_t* row = d.pixels.data() + static_cast<std::size_t>(vertical.first[j]) * lanes;
    // Four rows at a time, to pass over the sums less often. Every weight
    // fits 16 bits, and the absolute weights of one output value add up to
    // about 1.25 × kWeightOne at most, so no partial sum leaves 32 bits.
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
    uint16_t* out = middle.data() + static_cast<std::size_t>(j) * lanes;
    for (std::size_t k = 0; k < lanes; ++k) {
      out[k] = static_cast<uint16_t>(Clamp16(acc[k], kFull));
    }
  }

  // Then across each row, back to straight alpha in 8 bits.
  const AxisWeights horizontal = BuildAxis(d.width, size);
  for (int32_t j = 0; j < size; ++j) {
    const uint16_t* src = middle.data() + static_cast<std::size_t>(j) * lanes;
    uint8_t* out = canvas.row(j);
    for (int32_t i = 0; i < size; ++i, out += 4) {
      const int32_t* weight = horizontal.weights.data() + horizontal.offset[i];
      const uint16_t* p = src + static_cast<std::size_t>(horizontal.first[i]) * 4;
      int32_t sum[4] = {0, 0, 0, 0};
      for (int32_t t = 0; t < horizontal.count[i]; ++t, p += 4) {
        const int32_t w = weight[t];
        sum[0] += w * p[0];
        sum[1] += w * p[1];
        sum[2] += w * p[2];
        sum[3] += w * p[3];
      }
      const int32_t alpha = Clamp16(sum[3], kFull);
      const int32_t alpha8 = (alpha + 127) / 255;
      if (alpha8 == 0) {
        continue;  // the canvas is already all zero
      }
      for (int c = 0; c < 3; ++c) {
        const int32_t colour = Clamp16(sum[c], alpha);
        out[c] = static_cast<uint8_t>((colour * 255 + alpha / 2) / alpha);
      }
      out[3] = static_cast<uint8_t>(alpha8);
    }
  }
  return canvas;
}

}  // namespace zelmor
