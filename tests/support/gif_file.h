#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace zelmor::testing {

// One frame's palette indices as GIF image data (minimum code size 8). Only
// literal codes are sent, with a clear code often enough that the code width
// never leaves 9 bits: simple and valid, though it compresses nothing.
void AppendGifImageData(std::vector<uint8_t>& out, const std::vector<uint8_t>& indices);

// A GIF whose logical screen is larger than its only frame.
struct GifSpec {
  uint16_t screenWidth = 1;
  uint16_t screenHeight = 1;
  std::vector<uint32_t> palette;  // 0xRRGGBB, the global table
  uint8_t background = 0;         // the screen's background index
  std::optional<uint8_t> transparent;
  uint16_t left = 0;
  uint16_t top = 0;
  uint16_t width = 1;
  uint16_t height = 1;
  std::vector<uint8_t> indices;  // width x height, rows top-down
};
std::vector<uint8_t> BuildGif(const GifSpec& spec);

}  // namespace zelmor::testing
