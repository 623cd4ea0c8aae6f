#pragma once

#include <cstdint>
#include <vector>

namespace zelmor {

// How a picture that is not square fills a square entry.
enum class FitMode {
  kStretch,  // the whole picture over the whole square, its proportions lost
  kContain,  // scaled uniformly to fit, centred, between fully transparent bars
  kCover,    // scaled uniformly to fill, centred, what overflows cut off
};

// What an icon is written as, beyond its sizes and lines: the one record the
// front ends hand to the engines. Its defaults write what the dialog always
// wrote.
struct IconOutputSettings {
  // Every size is written once at each of these depths (4, 8, 24 or 32),
  // highest first.
  std::vector<int32_t> depths{32};
  // 32-bit entries of this edge length and larger are stored as PNG streams;
  // 0 for none.
  int32_t pngMinSize = 0;
  FitMode fit = FitMode::kStretch;
};

}  // namespace zelmor
