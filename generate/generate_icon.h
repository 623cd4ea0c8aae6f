#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "generate/line_overlay.h"

namespace zelmor {

// Makes an ICO file at `outputPath` holding `inputPath`'s picture once per
// entry of `sizes` (in that order) at `bitDepth` bits, optionally with random
// lines. Reports every failure through ShowMessage and returns false; returns
// true when the file was written. A FileError after the output was created
// propagates, and leaves any earlier file at `outputPath` untouched.
bool GenerateIconFile(std::string inputPath, std::string outputPath, LineOverlaySettings lines,
                      std::vector<int32_t> sizes, int32_t bitDepth);

}  // namespace zelmor
