#pragma once

#include <cstdint>
#include <optional>

#include "platform/bitmap.h"

namespace zelmor {

// Decodes one ICO image block of `size` bytes at `entry`: a PNG stream when
// it is at least 8 bytes long and starts with 0x89 'P' 'N' 'G', otherwise a
// device-independent bitmap. On success sets `width` and `height` to the
// picture's own size (never the directory's); on failure returns nothing and
// leaves them meaningless. A PNG block that does not decode fails; it is never
// tried as a bitmap. Needs a live ImagingSession.
std::optional<Bitmap> DecodeIconEntry(const uint8_t* entry, uint32_t size, int32_t& width,
                                      int32_t& height);

// How an image block stores its picture, read from its first bytes without
// decoding it: the form DecodeIconEntry takes it for and its bits per pixel.
struct IconEntryForm {
  bool png = false;
  // A bitmap's biBitCount; a PNG's bit depth times its channels (32 for 8-bit
  // RGBA, 8 for an 8-bit palette). Nothing when the header is not there.
  std::optional<uint16_t> bits;
  // A PNG whose header says 8-bit samples of colour type 6 (RGBA).
  bool rgba8 = false;
};
IconEntryForm DescribeIconEntry(const uint8_t* entry, uint32_t size);

}  // namespace zelmor
