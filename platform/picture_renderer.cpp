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

#include <cstring>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/box_reduction.h"
#include "platform/catmull_rom_kernel.h"

namespace zelmor {

using namespace rendering;

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
    : PictureRenderer(picture.width(), picture.height(),
                      [&picture](int32_t y) { return picture.row(y); }, largestSize) {}

PictureRenderer::PictureRenderer(int32_t width, int32_t height, const PictureRowSource& rows,
                                 int32_t largestSize)
    : impl_(std::make_unique<Impl>()) {
  if (width < 1 || height < 1 || largestSize < 1) {
    throw std::invalid_argument("PictureRenderer: no picture or no size");
  }
  Impl& d = *impl_;
  d.largest = largestSize;
  const auto rowBytes = static_cast<std::size_t>(width) * 4;
  if (width <= largestSize && height <= largestSize) {
    d.exactWidth = width;
    d.exactHeight = height;
    d.exact.resize(rowBytes * static_cast<std::size_t>(height));
  }
  // One pass over the rows: each is kept for the exact copy (small pictures
  // only) while it goes into the shared reduction.
  d.shared = ReducePicture(
      width, height,
      [&](int32_t y) {
        const uint8_t* row = rows(y);
        if (!d.exact.empty()) {
          std::memcpy(d.exact.data() + static_cast<std::size_t>(y) * rowBytes, row, rowBytes);
        }
        return row;
      },
      ReducedLength(width, largestSize), ReducedLength(height, largestSize));
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