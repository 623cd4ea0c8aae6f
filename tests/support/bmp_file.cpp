#include "tests/support/bmp_file.h"

#include <cstddef>

namespace zelmor::testing {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

std::vector<uint8_t> BuildBmpFile(int32_t width, int32_t height, uint16_t bitCount,
                                  uint32_t compression, const std::vector<uint32_t>& palette,
                                  const std::vector<uint8_t>& pixels) {
  const auto colours = static_cast<uint32_t>(palette.size());
  const uint32_t pixelsAt = 14 + 40 + 4 * colours;
  std::vector<uint8_t> out = {'B', 'M'};
  Put32(out, pixelsAt + static_cast<uint32_t>(pixels.size()));
  Put32(out, 0);
  Put32(out, pixelsAt);
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, bitCount);
  Put32(out, compression);
  Put32(out, static_cast<uint32_t>(pixels.size()));
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, colours);
  Put32(out, 0);
  for (const uint32_t rgb : palette) {
    Put32(out, rgb & 0xFFFFFF);  // blue, green, red, 0
  }
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

uint32_t PngCrc32(const uint8_t* data, std::size_t size) {
  uint32_t crc = 0xFFFFFFFF;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
    }
  }
  return ~crc;
}

}  // namespace zelmor::testing
