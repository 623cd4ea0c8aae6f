#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "generate/icon_settings.h"
#include "generate/line_overlay.h"

namespace zelmor {

// Makes an ICO file at `outputPath` holding `inputPath`'s picture once per
// entry of `sizes` (in that order) at `bitDepth` bits, optionally with random
// lines. Reports every failure through ShowMessage and returns false; returns
// true when the file was written. A FileError after the output was created
// propagates, and leaves any earlier file at `outputPath` untouched.
bool GenerateIconFile(std::string inputPath, std::string outputPath, LineOverlaySettings lines,
                      std::vector<int32_t> sizes, int32_t bitDepth);

// The same with every output choice, and any number of inputs merged into one
// icon: each size is drawn from the input that suits it best (PickSource), an
// .ico input offering each of its entries. With one picture and the default
// settings it writes what the call above writes. Sizes are written in the order
// given, each at every depth of `output`, highest first; lines are drawn once
// per size, before the depths are encoded. A failing input fails the whole
// run with its message, reported under ScopedMessageSubject(input), and
// nothing is written.
bool GenerateIconFile(std::vector<std::string> inputPaths, std::string outputPath,
                      LineOverlaySettings lines, std::vector<int32_t> sizes,
                      IconOutputSettings output);

}  // namespace zelmor
