#pragma once

#include <cstdint>
#include <span>

namespace zelmor {

// True when the bytes start with an ISO base media ftyp box whose major or
// compatible brands include `brand` (four characters).
bool HasFtypBrand(std::span<const uint8_t> file, const char* brand);

}  // namespace zelmor
