#include "generate/entry_canvases.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <thread>

#include "generate/fit_geometry.h"

namespace zelmor {
namespace {

void CopyInto(const Bitmap& from, Bitmap& to, int32_t x, int32_t y) {
  const std::size_t rowBytes = static_cast<std::size_t>(from.width()) * 4;
  for (int32_t row = 0; row < from.height(); ++row) {
    std::memcpy(to.row(y + row) + std::ptrdiff_t{4} * x, from.row(row), rowBytes);
  }
}

bool IsExactly(const SourceShape& shape, int32_t size) {
  return !shape.vector && shape.width == size && shape.height == size;
}

}  // namespace

EntryCanvases::EntryCanvases(const std::vector<IconSource>& sources,
                             const std::vector<int32_t>& sizes, FitMode fit)
    : sources_(sources), fit_(fit), renderers_(sources.size()) {
  shapes_.reserve(sources.size());
  for (const IconSource& source : sources) {
    shapes_.push_back(ShapeOf(source));
  }
  std::vector<int32_t> largestServed(sources.size(), 0);
  for (const int32_t size : sizes) {
    const std::size_t i = PickSource(shapes_, size);
    if (!shapes_[i].vector && !IsExactly(shapes_[i], size)) {
      largestServed[i] = std::max(largestServed[i], size);
    }
  }
  for (std::size_t i = 0; i < sources.size(); ++i) {
    if (largestServed[i] == 0) {
      continue;
    }
    CropRule crop;
    if (fit == FitMode::kCover) {
      // Filling the square uniformly keeps the picture's centred square.
      crop = [](int32_t width, int32_t height) {
        const SquareCrop square = CentredSquare(width, height);
        return PictureRect{square.x, square.y, square.side, square.side};
      };
    }
    renderers_[i] = sources[i].raster->Renderer(largestServed[i], crop);
    if (!renderers_[i]) {
      throw SourceDamaged{i};
    }
  }
}

EntryCanvases::~EntryCanvases() = default;

std::optional<Bitmap> EntryCanvases::Render(int32_t size) const {
  const std::size_t i = PickSource(shapes_, size);
  if (sources_[i].vector) {
    return RenderVector(*sources_[i].vector, size);
  }
  return RenderRaster(i, size);
}

std::vector<std::optional<Bitmap>> EntryCanvases::RenderAll(
    const std::vector<int32_t>& sizes) const {
  std::vector<std::optional<Bitmap>> canvases(sizes.size());
  // A vector document is one librsvg handle, which draws on one thread at a
  // time; raster sizes share only the renderer, which allows several.
  const bool rasterOnly = std::none_of(sizes.begin(), sizes.end(), [this](int32_t size) {
    return shapes_[PickSource(shapes_, size)].vector;
  });
  if (!rasterOnly || sizes.size() < 2 || std::thread::hardware_concurrency() < 2) {
    for (std::size_t i = 0; i < sizes.size(); ++i) {
      canvases[i] = Render(sizes[i]);
    }
    return canvases;
  }
  // Largest first, each thread taking the next size not yet taken.
  std::atomic<std::size_t> next{0};
  std::exception_ptr failures[2];
  const auto work = [&](std::exception_ptr& failure) {
    try {
      for (std::size_t i = next++; i < sizes.size(); i = next++) {
        canvases[i] = Render(sizes[i]);
      }
    } catch (...) {
      failure = std::current_exception();
      next = sizes.size();
    }
  };
  std::thread helper(work, std::ref(failures[1]));
  work(failures[0]);
  helper.join();
  for (const std::exception_ptr& failure : failures) {
    if (failure) {
      std::rethrow_exception(failure);
    }
  }
  return canvases;
}

Bitmap EntryCanvases::RenderRaster(std::size_t source, int32_t size) const {
  const RasterPicture& picture = *sources_[source].raster;
  if (IsExactly(shapes_[source], size)) {
    const Bitmap* pixels = picture.Whole();
    if (pixels == nullptr) {
      throw SourceDamaged{source};
    }
    Bitmap canvas(size, size);
    CopyInto(*pixels, canvas, 0, 0);
    return canvas;
  }
  const PictureRenderer& renderer = *renderers_[source];
  if (fit_ != FitMode::kContain) {
    return renderer.Render(size);
  }
  const auto [width, height] = ContainedSize(picture.width(), picture.height(), size);
  if (width == size && height == size) {
    return renderer.Render(size);
  }
  const Bitmap content = renderer.Render(width, height);
  Bitmap canvas(size, size);
  CopyInto(content, canvas, CentredOffset(size, width), CentredOffset(size, height));
  return canvas;
}

std::optional<Bitmap> EntryCanvases::RenderVector(const VectorPicture& picture,
                                                  int32_t size) const {
  const double w = picture.width();
  const double h = picture.height();
  switch (fit_) {
    case FitMode::kStretch:
      break;
    case FitMode::kContain: {
      // Whole pixels, as for a raster picture, so the bars are exactly clear.
      const auto [width, height] = ContainedSize(w, h, size);
      return picture.Render(size, size, CentredOffset(size, width), CentredOffset(size, height),
                            width, height);
    }
    case FitMode::kCover: {
      const double scale = size / std::min(w, h);
      return picture.Render(size, size, (size - w * scale) / 2, (size - h * scale) / 2, w * scale,
                            h * scale);
    }
  }
  return picture.Render(size, size, 0, 0, size, size);
}

}  // namespace zelmor
