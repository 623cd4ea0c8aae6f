#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace zelmor::testing {

// A BMP file with a 40-byte info header, built field by field so a test can
// declare anything, sound or not. `palette` holds 0x00RRGGBB colours.
std::vector<uint8_t> BuildBmpFile(int32_t width, int32_t height, uint16_t bitCount,
                                  uint32_t compression, const std::vector<uint32_t>& palette,
                                  const std::vector<uint8_t>& pixels);

// Any BMP a test needs, header kind included.
struct BmpSpec {
  // 12 (OS/2 1.x), 16 to 64 (OS/2 2.x), 40, 52, 56, 108 or 124.
  uint32_t headerBytes = 40;
  int32_t width = 1;
  int32_t height = 1;
  uint16_t bitCount = 24;
  uint32_t compression = 0;
  // Red, green, blue and alpha masks, as many as given: inside a header of
  // 52 bytes or more, after a shorter one.
  std::vector<uint32_t> masks;
  std::vector<uint32_t> palette;  // 0x00RRGGBB; 3 bytes each after a 12-byte header
  uint32_t coloursUsed = 0;
  uint32_t colourSpace = 0x73524742;  // 'sRGB'
  std::vector<uint8_t> profile;       // put after the pixels, for a 124-byte header
  std::optional<uint32_t> pixelsAt;   // the file header's offset field, when not the true one
  std::vector<uint8_t> pixels;
};
std::vector<uint8_t> BuildBmp(const BmpSpec& spec);

// Rows of pixel values packed as a BMP stores them: `bits` bits a value, the
// first value in the high bits of a byte (or little-endian for 16 and 32
// bits, 3 bytes blue-green-red for 24), each row padded to 4 bytes. Rows are
// given in file order.
std::vector<uint8_t> PackBmpRows(const std::vector<std::vector<uint32_t>>& rows, uint16_t bits);

// The CRC-32 that PNG chunks carry (reflected, polynomial 0xEDB88320).
uint32_t PngCrc32(const uint8_t* data, std::size_t size);

}  // namespace zelmor::testing
