#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/decoded_picture.h"

namespace zelmor {

// True for a JPEG XL codestream (FF 0A) or container.
bool IsJxlFile(std::span<const uint8_t> file);

// The first frame of a JPEG XL file with libjxl, its orientation applied,
// samples deeper than 8 bits rounded to 8. Nothing for a damaged or
// unsupported file or one over the imaging limit.
std::optional<DecodedPicture> DecodeJxl(std::span<const uint8_t> file);

}  // namespace zelmor
