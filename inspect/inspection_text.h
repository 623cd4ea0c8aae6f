#pragma once

#include <string>

#include "inspect/icon_inspection.h"

namespace zelmor {

// The inspection as lines for people and grep: a header line
//   PATH: BYTES bytes, COUNT entries
// one line per directory entry
//   entry I: WxH BITS-bit png|bmp, BYTES bytes at offset OFFSET[ (directory: ...)]
// listing only the directory fields that disagree with the picture (all of them
// when it does not decode), then one line per finding
//   error CODE: MESSAGE    or    warning CODE: MESSAGE
// entry and finding lines indented by two spaces. Every line ends in "\n".
std::string FormatInspectionText(const IconInspection& inspection);

}  // namespace zelmor
