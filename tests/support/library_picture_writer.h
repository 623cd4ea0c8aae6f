#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/bitmap.h"

namespace zelmor::testing {

// How a fixture in one of the formats Qt does not write is stored.
struct LibraryPictureOptions {
  // Stored turned by the inverse of this EXIF orientation and marked with it
  // (irot/imir boxes), so that a reader that applies it gets the picture back.
  int orientation = 1;
  // Also an EXIF block with the same orientation, which a reader must not
  // apply a second time.
  bool exifToo = false;
  std::vector<uint8_t> iccProfile;  // embedded when not empty
};

// HEIF with libheif's HEVC encoder, lossless: 4:4:4 samples with the
// identity matrix, so the pixels come back exactly.
bool WriteHeic(const Bitmap& picture, const std::string& path,
               const LibraryPictureOptions& options = {});

// AVIF with libavif, lossless in the same way.
bool WriteAvif(const Bitmap& picture, const std::string& path,
               const LibraryPictureOptions& options = {});

// JPEG XL through the cjxl tool, lossless (-d 0), from a PNG of the picture
// (with the profile as iCCP when given). False when cjxl is missing.
bool WriteJxl(const Bitmap& picture, const std::string& path,
              const std::vector<uint8_t>& iccProfile = {});

// Whether the command-line tool `name` is on PATH.
bool HaveTool(const std::string& name);

}  // namespace zelmor::testing
