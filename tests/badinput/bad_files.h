#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zelmor::testing {

// A 40-byte BITMAPINFOHEADER as an ICO image block starts, with nothing after it.
std::vector<uint8_t> DibHeader(int32_t width, int32_t storedHeight, uint16_t bitCount,
                               uint32_t clrUsed = 0);

// A PNG file holding a 1 x 1 picture whose header then declares
// width x height, with its checksum kept right so that readers believe it.
std::vector<uint8_t> PngDeclaring(uint32_t width, uint32_t height);

// A GIF whose screen and only frame declare width x height, with a few bytes
// of image data.
std::vector<uint8_t> GifDeclaring(uint16_t width, uint16_t height);

// An 8 x 8 JPEG whose frame header then declares width x height.
std::vector<uint8_t> JpegDeclaring(uint16_t width, uint16_t height);

// A BMP file: file header, 40-byte info header, `paletteEntries` grey palette
// entries, then `pixels` as given, whatever the header says they should be.
std::vector<uint8_t> BmpFile(int32_t width, int32_t height, uint16_t bitCount, uint32_t compression,
                             uint32_t paletteEntries, const std::vector<uint8_t>& pixels);

// A small picture with some transparency as a file of `format` (any format
// picture_writer writes), read back as bytes.
std::vector<uint8_t> PictureFileBytes(const std::string& format);

// A small HEIC or AVIF picture whose ispe box then declares width x height.
std::vector<uint8_t> IsoPictureDeclaring(const std::string& format, uint32_t width,
                                         uint32_t height);

// The start of a JPEG XL codestream declaring width x height, with no pixels.
std::vector<uint8_t> JxlDeclaring(uint32_t width, uint32_t height);

}  // namespace zelmor::testing
