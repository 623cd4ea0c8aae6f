#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/decoded_picture.h"

namespace zelmor {

// True when the bytes start like an HEIF file holding HEVC pictures (an ftyp
// box naming heic, heix, heim, heis, hevc, hevx or mif1 without AVIF).
bool IsHeifFile(std::span<const uint8_t> file);

// The primary picture of an HEIF file with libheif, its rotation and mirroring
// applied, samples deeper than 8 bits rounded to 8. Nothing for a damaged or
// unsupported file or one over the imaging limit.
std::optional<DecodedPicture> DecodeHeif(std::span<const uint8_t> file);

}  // namespace zelmor
