#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/bitmap.h"

namespace zelmor {

// TGA has no signature: whether the first 18 bytes are a header this decoder
// reads (a known image type, a depth that type allows, a colour map where
// one is needed, positive sides). Callers ask only for files named as TGA.
bool HasTgaHeader(const uint8_t* data, std::size_t size);

// Decodes a TGA file held in memory: colour-mapped (8- or 16-bit indices
// into a 15-, 16-, 24- or 32-bit map), true-colour (15, 16, 24 or 32 bits)
// and grey (8 bits, or 16 with alpha), uncompressed or run-length, from any
// of the four origin corners. Pixels a cut file lacks are fully transparent.
// Nothing for a header HasTgaHeader refuses, a cut image ID or colour map,
// pixel data that does not fill one row (or, run-length, one packet), or a
// picture over kMaxDecodedImageBytes.
std::optional<Bitmap> DecodeTga(const uint8_t* data, std::size_t size);

}  // namespace zelmor
