#pragma once

#include <cstdint>
#include <vector>

#include "generate/icon_settings.h"

namespace zelmor {

// The output choices of the "更多选项" window. They live as long as the main
// window and are never stored; the defaults leave every run as it always was.
struct MoreOptions {
  std::vector<int32_t> extraSizes;   // of kExtraSizes, written beside the ticked sizes
  bool png256 = false;               // store 32-bit entries of 256 px as PNG streams
  FitMode fit = FitMode::kStretch;   // how a picture that is not square fills the square
  std::vector<int32_t> extraDepths;  // of 4, 8, 24, 32, written beside the chosen depth
  bool mergeDrops = false;           // several dropped files make one icon

  bool operator==(const MoreOptions&) const = default;
};

// The sizes the main window has no box for.
inline constexpr int32_t kExtraSizes[] = {20, 40, 72};
inline constexpr int32_t kExtraDepths[] = {4, 8, 24, 32};

// The ticked sizes with the extra ones, largest first, each once. Ticked sizes
// alone come back unchanged.
std::vector<int32_t> WithExtraSizes(std::vector<int32_t> tickedSizes, const MoreOptions& options);

// The edge length from which 32-bit entries are stored as PNG; 0 for none.
int32_t PngMinSize(const MoreOptions& options);

// What the engines write for `chosenDepth`: that depth first, then the extra
// ones, each once.
IconOutputSettings OutputSettings(const MoreOptions& options, int32_t chosenDepth);

}  // namespace zelmor
