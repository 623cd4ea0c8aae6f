#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/raster_picture.h"
#include "platform/vector_picture.h"

namespace zelmor {

// A picture the entries of an icon may be drawn from: a raster picture, or a
// vector document that renders at any size. Exactly one of the two is set.
struct IconSource {
  std::optional<RasterPicture> raster;
  std::optional<VectorPicture> vector;
};

// Loads what one input offers: a vector document (by its extension), each
// decodable entry of an ICO file as a raster source of its own, in directory
// order (when `icoEntries` and the input is an .ico), or a raster picture.
// Reports a failure through ShowMessage and returns nothing. Needs a live
// ImagingSession.
std::optional<std::vector<IconSource>> LoadIconSources(const std::string& path, bool icoEntries);

// What choosing a source needs to know of it.
struct SourceShape {
  bool vector = false;
  int32_t width = 0;  // of a raster source
  int32_t height = 0;
};
SourceShape ShapeOf(const IconSource& source);

// The source an entry of `size` is drawn from, by the first rule that finds
// one: a raster source of exactly size x size; a vector source; the smallest
// raster source (by pixel count) at least `size` in both directions; the
// largest raster source. Ties go to the earlier source. Throws
// std::invalid_argument when there are no sources.
std::size_t PickSource(std::span<const SourceShape> sources, int32_t size);

}  // namespace zelmor
