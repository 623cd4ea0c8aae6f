#pragma once

#include <string>

#include "platform/bitmap.h"

namespace zelmor {

// Writes `picture` to `path` as an 8-bit RGBA PNG file, replacing any file
// there only once the new one is complete. False when the picture cannot be
// encoded or the file cannot be created; a FileError while writing propagates.
bool WritePngFile(const Bitmap& picture, const std::string& path);

}  // namespace zelmor
