#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zelmor::testing {

// A BMP file with a 40-byte info header, built field by field so a test can
// declare anything, sound or not. `palette` holds 0x00RRGGBB colours.
std::vector<uint8_t> BuildBmpFile(int32_t width, int32_t height, uint16_t bitCount,
                                  uint32_t compression, const std::vector<uint32_t>& palette,
                                  const std::vector<uint8_t>& pixels);

// The CRC-32 that PNG chunks carry (reflected, polynomial 0xEDB88320).
uint32_t PngCrc32(const uint8_t* data, std::size_t size);

}  // namespace zelmor::testing
