#include "generate/entry_canvases.h"

#include <algorithm>
#include <cstring>

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
