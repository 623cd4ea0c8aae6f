#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/decoded_picture.h"

namespace zelmor {

// True when the bytes start with an ftyp box naming avif or avis.
bool IsAvifFile(std::span<const uint8_t> file);

// The first picture of an AVIF file with libavif, its rotation and mirroring
// applied, samples deeper than 8 bits rounded to 8. Nothing for a damaged or
// unsupported file or one over the imaging limit.
std::optional<DecodedPicture> DecodeAvif(std::span<const uint8_t> file);

}  // namespace zelmor
