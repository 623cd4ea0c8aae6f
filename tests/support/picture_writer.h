#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/bitmap.h"

namespace zelmor::testing {

// A width x height bitmap whose pixel (x, y) is argb(x, y), a colour 0xAARRGGBB.
Bitmap MakeBitmap(int32_t width, int32_t height,
                  const std::function<uint32_t(int32_t x, int32_t y)>& argb);

// Pixel (x, y) of `bitmap` as 0xAARRGGBB.
uint32_t PixelAt(const Bitmap& bitmap, int32_t x, int32_t y);

// True when both bitmaps have the same sides and pixels (strides aside).
bool SameBytes(const Bitmap& a, const Bitmap& b);

// Writes `picture` to `path` as `format`: any format Qt's image writers know
// ("png", "jpg", "bmp", "webp", "tiff", "ico", ...; lossy ones at top quality,
// which makes WebP lossless), and "gif" and "tga", which Qt only reads and
// which are written here, and "heic", "avif" and "jxl" (lossless, see
// library_picture_writer.h). False when the picture cannot be written that way.
bool WritePicture(const Bitmap& picture, const std::string& path, const std::string& format);

// A GIF holding `frames` in order. Every frame must have the size of the first
// and, all frames together, at most 255 colours, each fully opaque or fully
// transparent.
bool WriteGif(const std::vector<const Bitmap*>& frames, const std::string& path);

// The bytes of `picture` as a PNG file.
std::vector<uint8_t> EncodePng(const Bitmap& picture);

}  // namespace zelmor::testing
