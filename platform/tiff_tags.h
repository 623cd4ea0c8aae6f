#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace zelmor {

// The value bytes of `tag` in the first directory of TIFF-structured bytes
// (a TIFF file, or the block EXIF keeps in JPEG, PNG, WebP and HEIF files),
// either byte order. Nothing when the bytes are not TIFF-structured, the tag
// is absent, or its value does not lie wholly inside the bytes. `type` and
// `count` receive the entry's field type and value count.
std::optional<std::span<const uint8_t>> FindTiffTag(std::span<const uint8_t> tiff, uint16_t tag,
                                                    uint16_t& type, uint32_t& count,
                                                    bool& bigEndian);

// EXIF orientation (1 to 8) of an EXIF block, with or without the
// "Exif\0\0" prefix JPEG's APP1 marker puts before it. Nothing when it has
// none or an out-of-range one.
std::optional<int> ExifOrientation(std::span<const uint8_t> exif);

}  // namespace zelmor
