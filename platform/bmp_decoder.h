#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/decoded_picture.h"

namespace zelmor {

// Whether `data` starts as a BMP file does ("BM").
bool HasBmpSignature(const uint8_t* data, std::size_t size);

// Decodes a BMP file held in memory: OS/2 1.x and 2.x, info and V2 to V5
// headers; 1, 2, 4, 8, 16, 24 and 32 bits; bit fields of any widths (alpha
// among them); RLE4, RLE8 and RLE24. Pixels that a run-length picture skips,
// and rows a cut file lacks, are fully transparent. Nothing for a file whose
// headers, masks or palette are cut, a coding it does not read (JPEG, PNG,
// Huffman, CMYK), a picture with no pixel data at all, or one over
// kMaxDecodedImageBytes. A V5 header's embedded profile comes with the pixels.
std::optional<DecodedPicture> DecodeBmp(const uint8_t* data, std::size_t size);

}  // namespace zelmor
