#pragma once

#include <cstdint>
#include <string>

#include "generate/line_overlay.h"

namespace zelmor {

// Redraws every image of the ICO file at `inputPath` with random lines and
// writes them all, as 32-bit entries, to `outputPath` (which may be the input
// itself). Reports every failure through ShowMessage and returns false; entries
// that do not decode are skipped silently. A FileError while reading or writing
// propagates, and leaves any earlier file at `outputPath` untouched.
bool OverlayLinesOnIconFile(std::string inputPath, std::string outputPath, COLORREF color,
                            int32_t minCount, int32_t maxCount);

// The same, storing every entry of `pngMinSize` pixels and wider as a PNG
// stream (0: none, which is the call above).
bool OverlayLinesOnIconFile(std::string inputPath, std::string outputPath, COLORREF color,
                            int32_t minCount, int32_t maxCount, int32_t pngMinSize);

}  // namespace zelmor
