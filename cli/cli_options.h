#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "generate/icon_settings.h"
#include "generate/line_overlay.h"

namespace zelmor::cli {

struct CliOptions {
  std::vector<std::string> inputs;
  std::string output;               // empty: derived from each input
  std::vector<int32_t> sizes{48};   // largest first, no duplicates
  std::vector<int32_t> depths{32};  // highest first, no duplicates
  int32_t pngMinSize = 0;           // 0: no PNG entries
  FitMode fit = FitMode::kStretch;
  bool merge = false;  // all inputs into one icon
  bool lines = false;
  int32_t minCount = 0;  // in order, maximum capped at 1000
  int32_t maxCount = 0;
  COLORREF color = 0x0000FF;     // red
  std::optional<uint32_t> seed;  // none: the clock
  int jobs = 1;                  // inputs converted at once
  bool help = false;
  bool version = false;
};

// Parses the arguments after the program name. On a usage error returns
// nothing and sets `error` to a one-line reason.
std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args, std::string& error);

inline constexpr int kMaxJobs = 64;

extern const char kUsage[];

}  // namespace zelmor::cli
