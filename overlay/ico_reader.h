#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zelmor {

// An ICO file held whole in memory, its header and directory checked: the
// directory of `entryCount` entries lies inside `bytes`.
struct IcoFileImage {
  std::vector<uint8_t> bytes;
  uint16_t entryCount = 0;
};

// Reads the ICO file at `path` whole, closes it and checks its header and
// directory. On a fault shows its message (ShowMessage) and returns nothing.
// A FileError while taking the length or reading propagates.
std::optional<IcoFileImage> ReadIcoFile(const std::string& path);

// The image block of directory entry `index` (below entryCount), or nothing
// when it reaches past the end of the file.
std::optional<std::span<const uint8_t>> IconEntryBytes(const IcoFileImage& file, uint32_t index);

}  // namespace zelmor
