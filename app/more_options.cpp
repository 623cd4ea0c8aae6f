#include "app/more_options.h"

#include <algorithm>
#include <functional>

namespace zelmor {

std::vector<int32_t> WithExtraSizes(std::vector<int32_t> tickedSizes, const MoreOptions& options) {
  if (options.extraSizes.empty()) {
    return tickedSizes;
  }
  tickedSizes.insert(tickedSizes.end(), options.extraSizes.begin(), options.extraSizes.end());
  std::sort(tickedSizes.begin(), tickedSizes.end(), std::greater<>());
  tickedSizes.erase(std::unique(tickedSizes.begin(), tickedSizes.end()), tickedSizes.end());
  return tickedSizes;
}

int32_t PngMinSize(const MoreOptions& options) {
  return options.png256 ? 256 : 0;
}

IconOutputSettings OutputSettings(const MoreOptions& options, int32_t chosenDepth) {
  IconOutputSettings settings;
  settings.depths = {chosenDepth};
  for (const int32_t bits : options.extraDepths) {
    if (std::find(settings.depths.begin(), settings.depths.end(), bits) == settings.depths.end()) {
      settings.depths.push_back(bits);
    }
  }
  settings.pngMinSize = PngMinSize(options);
  settings.fit = options.fit;
  return settings;
}

}  // namespace zelmor
