#include "app/engines.h"

#include "generate/generate_icon.h"
#include "overlay/overlay_icon.h"

namespace zelmor {
namespace {

class RealEngines final : public Engines {
 public:
  bool GenerateIconFile(const std::string& inputPath, const std::string& outputPath,
                        const LineOverlaySettings& lines, const std::vector<int32_t>& sizes,
                        int32_t bitDepth) override {
    return zelmor::GenerateIconFile(inputPath, outputPath, lines, sizes, bitDepth);
  }
  bool OverlayLinesOnIconFile(const std::string& inputPath, const std::string& outputPath,
                              COLORREF color, int32_t minCount, int32_t maxCount) override {
    return zelmor::OverlayLinesOnIconFile(inputPath, outputPath, color, minCount, maxCount);
  }
};

}  // namespace

Engines& ProgramEngines() {
  static RealEngines engines;
  return engines;
}

}  // namespace zelmor
