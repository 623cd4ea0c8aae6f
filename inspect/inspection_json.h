#pragma once

#include <span>
#include <string>

#include "inspect/icon_inspection.h"

namespace zelmor {

// One JSON array holding an object per inspection, in order, with the fields
// {"file", "bytes", "type", "count", "entries": [{"index", "width", "height",
// "bits", "format", "bytes", "offset", "directory": {"width", "height",
// "colors", "planes", "bits"}}], "findings": [{"level", "code", "entry",
// "message"}]}; fields without a value are null. Ends in "\n".
std::string FormatInspectionJson(std::span<const IconInspection> inspections);

}  // namespace zelmor
