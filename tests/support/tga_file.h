#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zelmor::testing {

// Any TGA a test needs, built field by field.
struct TgaSpec {
  uint8_t type = 2;  // 1 mapped, 2 true colour, 3 grey; plus 8 for run-length
  uint8_t pixelBits = 24;
  uint8_t descriptor = 0;  // attribute bits, bit 4 right-to-left, bit 5 top-down
  uint16_t width = 1;
  uint16_t height = 1;
  std::vector<uint8_t> id;
  bool hasMap = false;
  uint16_t mapFirst = 0;
  uint8_t mapEntryBits = 24;
  std::vector<uint8_t> map;     // the entries as stored; their count follows from the length
  std::vector<uint8_t> pixels;  // as stored: raw, or run-length packets
  bool footer = false;          // the TGA 2.0 footer, without extension area
};
std::vector<uint8_t> BuildTga(const TgaSpec& spec);

// Raw pixels of `pixelBytes` each as run-length packets: repeats as run
// packets, the rest as raw ones, at most 128 pixels a packet, running on
// across rows as TGA lets them.
std::vector<uint8_t> TgaRunLength(const std::vector<uint8_t>& raw, std::size_t pixelBytes);

}  // namespace zelmor::testing
