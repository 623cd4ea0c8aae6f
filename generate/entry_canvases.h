#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "generate/icon_settings.h"
#include "generate/icon_sources.h"
#include "platform/bitmap.h"
#include "platform/picture_renderer.h"

namespace zelmor {

// A raster source whose data proved damaged when it was decoded.
struct SourceDamaged {
  std::size_t source;  // its index among the sources
};

// Draws each entry's square canvas from the source PickSource chooses for its
// size, placed by the fit mode. Every size comes from its source alone, never
// from another size's result. The sources must outlive this object.
class EntryCanvases {
 public:
  // Decodes what the sizes need of each raster source. Throws SourceDamaged
  // when a source's data proves damaged and std::bad_alloc when memory runs out.
  EntryCanvases(const std::vector<IconSource>& sources, const std::vector<int32_t>& sizes,
                FitMode fit);
  ~EntryCanvases();

  // The size x size canvas (size one of those given). Nothing when a vector
  // document fails to render. Throws SourceDamaged, and std::bad_alloc when
  // memory runs out.
  std::optional<Bitmap> Render(int32_t size) const;

  // Render() of every size in `sizes`, in that order. Sizes drawn from raster
  // sources are rendered two at a time, each on its own, so the canvases are
  // those Render() gives one by one.
  std::vector<std::optional<Bitmap>> RenderAll(const std::vector<int32_t>& sizes) const;

 private:
  Bitmap RenderRaster(std::size_t source, int32_t size) const;
  std::optional<Bitmap> RenderVector(const VectorPicture& picture, int32_t size) const;

  const std::vector<IconSource>& sources_;
  std::vector<SourceShape> shapes_;
  FitMode fit_;
  // One renderer per raster source that some size is scaled from, made for
  // the largest size it serves.
  std::vector<std::unique_ptr<PictureRenderer>> renderers_;
};

}  // namespace zelmor
