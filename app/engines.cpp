#include "app/engines.h"

#include "generate/generate_icon.h"
#include "overlay/overlay_icon.h"

namespace zelmor {
namespace {

class RealEngines final : public Engines {
 public:
  bool GenerateIconFile(const std::vector<std::string>& inputPaths, const std::string& outputPath,
                        const LineOverlaySettings& lines, const std::vector<int32_t>& sizes,
                        const IconOutputSettings& output) override {
    return zelmor::GenerateIconFile(inputPaths, outputPath, lines, sizes, output);
  }
  bool OverlayLinesOnIconFile(const std::string& inputPath, const std::string& outputPath,
                              COLORREF color, int32_t minCount, int32_t maxCount,
                              int32_t pngMinSize) override {
    return zelmor::OverlayLinesOnIconFile(inputPath, outputPath, color, minCount, maxCount,
                                          pngMinSize);
  }
};

}  // namespace

Engines& ProgramEngines() {
  static RealEngines engines;
  return engines;
}

}  // namespace zelmor
