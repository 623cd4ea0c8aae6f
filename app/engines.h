#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "generate/line_overlay.h"

namespace zelmor {

// The two conversion engines as the dialog calls them; tests put a recorder
// in between.
class Engines {
 public:
  virtual ~Engines() = default;
  virtual bool GenerateIconFile(const std::string& inputPath, const std::string& outputPath,
                                const LineOverlaySettings& lines, const std::vector<int32_t>& sizes,
                                int32_t bitDepth) = 0;
  virtual bool OverlayLinesOnIconFile(const std::string& inputPath, const std::string& outputPath,
                                      COLORREF color, int32_t minCount, int32_t maxCount) = 0;
};

// The real engines.
Engines& ProgramEngines();

}  // namespace zelmor
