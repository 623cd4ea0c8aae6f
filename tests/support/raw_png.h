#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zelmor::testing {

// A PNG of any colour type and depth written from its samples, with the
// chunks a test asks for, so that every kind a decoder meets can be built.
struct RawPng {
  uint32_t width = 0;
  uint32_t height = 0;
  uint8_t bitDepth = 8;
  uint8_t colourType = 6;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
  // Sample s (0-based, in file order: R, G, B, A, or grey, alpha, or index) of
  // pixel (x, y), within the bit depth.
  std::function<uint32_t(uint32_t x, uint32_t y, int s)> sample;
  // Chunks placed after IHDR and before the image data: type and data.
  std::vector<std::pair<std::string, std::vector<uint8_t>>> chunks;
  // Image data cut to this many bytes (the rest of the file stays).
  std::size_t imageDataBytes = SIZE_MAX;
};

int SamplesPerPixel(uint8_t colourType);

// The file's bytes: IHDR, `chunks`, one IDAT of the rows (filter 0) deflated,
// IEND.
std::vector<uint8_t> WriteRawPng(const RawPng& png);

// A chunk of `type` and `data` with its length and checksum.
std::vector<uint8_t> PngChunk(const std::string& type, const std::vector<uint8_t>& data);

}  // namespace zelmor::testing
