#pragma once

#include <cstdint>
#include <optional>

#include "platform/bitmap.h"

namespace zelmor {

// Decodes an ICO image block stored as a device-independent bitmap (header
// taken as 40 bytes, palette, XOR rows and AND rows bottom-up) into a 32-bit
// picture. Nothing when the block is too small, its sides are not positive,
// its depth is 0, its picture would pass the imaging limit, or its palette and
// XOR rows do not fit in `size` bytes. A missing tail of the AND mask leaves
// those pixels as they are.
std::optional<Bitmap> DecodeBitmapEntry(const uint8_t* entry, uint32_t size);

}  // namespace zelmor
