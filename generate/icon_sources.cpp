#include "generate/icon_sources.h"

#include <stdexcept>
#include <utility>

#include "overlay/decode_icon_entry.h"
#include "overlay/ico_reader.h"
#include "platform/imaging.h"
#include "platform/messages.h"
#include "platform/paths.h"

namespace zelmor {
namespace {

std::optional<std::vector<IconSource>> LoadIcoEntries(const std::string& path) {
  const std::optional<IcoFileImage> file = ReadIcoFile(path);
  if (!file) {
    return std::nullopt;
  }
  std::vector<IconSource> sources;
  for (uint32_t i = 0; i < file->entryCount; ++i) {
    const std::optional<std::span<const uint8_t>> block = IconEntryBytes(*file, i);
    if (!block) {
      continue;
    }
    int32_t width = 0;
    int32_t height = 0;
    // Entries that do not decode are passed over, as the overlay engine does.
    if (std::optional<Bitmap> picture =
            DecodeIconEntry(block->data(), static_cast<uint32_t>(block->size()), width, height)) {
      sources.push_back(IconSource{RasterPicture(std::move(*picture)), std::nullopt});
    }
  }
  if (sources.empty()) {
    ShowMessage("No valid icon entries found in ICO file.", MessageIcon::kWarning);
    return std::nullopt;
  }
  return sources;
}

}  // namespace

std::optional<std::vector<IconSource>> LoadIconSources(const std::string& path, bool icoEntries) {
  if (icoEntries && HasIcoExtension(path)) {
    return LoadIcoEntries(path);
  }
  std::vector<IconSource> sources(1);
  if (HasVectorPictureExtension(path)) {
    sources[0].vector = VectorPicture::Load(path);
  } else {
    sources[0].raster = RasterPicture::Open(path);
  }
  if (!sources[0].vector && !sources[0].raster) {
    ShowMessage("Unsupported or damaged image file.", MessageIcon::kError);
    return std::nullopt;
  }
  return sources;
}

SourceShape ShapeOf(const IconSource& source) {
  if (source.vector) {
    return SourceShape{true, 0, 0};
  }
  return SourceShape{false, source.raster->width(), source.raster->height()};
}

std::size_t PickSource(std::span<const SourceShape> sources, int32_t size) {
  if (sources.empty()) {
    throw std::invalid_argument("PickSource: no sources");
  }
  const auto pixels = [](const SourceShape& s) { return int64_t{s.width} * s.height; };
  std::optional<std::size_t> vector;
  std::optional<std::size_t> smallestLarger;
  std::optional<std::size_t> largest;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    const SourceShape& s = sources[i];
    if (s.vector) {
      if (!vector) vector = i;
      continue;
    }
    if (s.width == size && s.height == size) {
      return i;
    }
    if (s.width >= size && s.height >= size &&
        (!smallestLarger || pixels(s) < pixels(sources[*smallestLarger]))) {
      smallestLarger = i;
    }
    if (!largest || pixels(s) > pixels(sources[*largest])) {
      largest = i;
    }
  }
  if (vector) return *vector;
  if (smallestLarger) return *smallestLarger;
  return *largest;
}

}  // namespace zelmor
