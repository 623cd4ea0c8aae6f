#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/files.h"

namespace zelmor {

// No PNG's chunks other than its image data are taken beyond this in all.
inline constexpr uint64_t kMaxPngOutlineBytes = uint64_t{64} << 20;

// The PNG in `file` with the data of every IDAT chunk left out (each stays as
// an empty IDAT chunk), read from where the file stands, just past its
// signature: what the file says about its picture, without the picture, in
// memory of its own size. The walk stops where the chunks do (IEND, or a
// chunk running past the end), keeping what came before. Nothing when the
// other chunks pass kMaxPngOutlineBytes. Throws FileError when reading fails.
std::optional<std::vector<uint8_t>> ReadPngOutline(InputFile& file);

}  // namespace zelmor
