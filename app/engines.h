#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "generate/icon_settings.h"
#include "generate/line_overlay.h"

namespace zelmor {

// The two conversion engines as the dialog calls them, with the same output
// record the command line hands them; tests put a recorder in between.
class Engines {
 public:
  virtual ~Engines() = default;
  // One input, or several merged into one icon.
  virtual bool GenerateIconFile(const std::vector<std::string>& inputPaths,
                                const std::string& outputPath, const LineOverlaySettings& lines,
                                const std::vector<int32_t>& sizes,
                                const IconOutputSettings& output) = 0;
  virtual bool OverlayLinesOnIconFile(const std::string& inputPath, const std::string& outputPath,
                                      COLORREF color, int32_t minCount, int32_t maxCount,
                                      int32_t pngMinSize) = 0;
};

// The real engines.
Engines& ProgramEngines();

}  // namespace zelmor
