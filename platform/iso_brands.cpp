#include "platform/iso_brands.h"

#include <cstring>

namespace zelmor {

bool HasFtypBrand(std::span<const uint8_t> file, const char* brand) {
  if (file.size() < 16 || std::memcmp(&file[4], "ftyp", 4) != 0) {
    return false;
  }
  const uint64_t boxSize =
      uint64_t{file[0]} << 24 | uint64_t{file[1]} << 16 | uint64_t{file[2]} << 8 | file[3];
  if (boxSize < 16 || boxSize > file.size()) {
    return false;
  }
  if (std::memcmp(&file[8], brand, 4) == 0) {
    return true;
  }
  // The minor version at 12 is followed by the compatible brands.
  for (uint64_t at = 16; at + 4 <= boxSize; at += 4) {
    if (std::memcmp(&file[at], brand, 4) == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace zelmor
