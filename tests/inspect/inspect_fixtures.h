#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "inspect/icon_inspection.h"

namespace zelmor::testing {

using Bytes = std::vector<uint8_t>;

// A square 32-bit bitmap block with some transparent and half-transparent
// pixels, different for each `seed`.
Bytes BitmapBlock(int32_t width, int32_t height, uint16_t bits = 32, uint32_t seed = 0);

// PNG streams of a width x height picture as Qt writes them: 8-bit RGBA
// (colour type 6), 8-bit RGB (type 2) and 8-bit palette (type 3).
Bytes RgbaPng(int32_t width, int32_t height);
Bytes RgbPng(int32_t width, int32_t height);
Bytes PalettePng(int32_t width, int32_t height);

// (code, entry) of every finding, in order; entry -1 for none.
using FindingKey = std::pair<std::string, int>;
std::vector<FindingKey> Keys(const IconInspection& inspection);
// The same for an inspection of `bytes`, with an imaging session of its own.
std::vector<FindingKey> FindingsOf(const Bytes& bytes);

}  // namespace zelmor::testing
