#pragma once

#include <cstdint>
#include <span>

#include "platform/picture_colour.h"

namespace zelmor {

// What a JPEG, PNG, WebP or TIFF file says beside its pixels: the EXIF
// orientation (1 when none) and its colour. Read from the file's own
// structure, bounds checked; anything damaged is taken as absent.
struct PictureMetadata {
  int orientation = 1;
  PictureColour colour;
};

PictureMetadata ReadPictureMetadata(std::span<const uint8_t> file);

// No embedded profile is taken beyond this size; real ones are well under 1 MiB.
inline constexpr std::size_t kMaxIccProfileBytes = std::size_t{16} << 20;

}  // namespace zelmor
