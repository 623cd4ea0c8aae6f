#include "platform/tiff_tags.h"

#include <cstring>

namespace zelmor {
namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kShort = 3;
constexpr uint16_t kLong = 4;

// Bytes per value of the TIFF field types; 0 for types this reader does not know.
uint32_t TypeSize(uint16_t type) {
  switch (type) {
    case 1:  // BYTE
    case 2:  // ASCII
    case 6:  // SBYTE
    case 7:  // UNDEFINED
      return 1;
    case 3:  // SHORT
    case 8:  // SSHORT
      return 2;
    case 4:   // LONG
    case 9:   // SLONG
    case 11:  // FLOAT
      return 4;
    case 5:   // RATIONAL
    case 10:  // SRATIONAL
    case 12:  // DOUBLE
      return 8;
    default:
      return 0;
  }
}

class Reader {
 public:
  Reader(std::span<const uint8_t> bytes, bool bigEndian) : bytes_(bytes), bigEndian_(bigEndian) {}
  // Callers check the range first.
  uint32_t U16(uint64_t at) const {
    const uint32_t a = bytes_[at];
    const uint32_t b = bytes_[at + 1];
    return bigEndian_ ? (a << 8 | b) : (b << 8 | a);
  }
  uint32_t U32(uint64_t at) const {
    const uint32_t a = U16(at);
    const uint32_t b = U16(at + 2);
    return bigEndian_ ? (a << 16 | b) : (b << 16 | a);
  }

 private:
  std::span<const uint8_t> bytes_;
  bool bigEndian_;
};

}  // namespace

std::optional<std::span<const uint8_t>> FindTiffTag(std::span<const uint8_t> tiff, uint16_t tag,
                                                    uint16_t& type, uint32_t& count,
                                                    bool& bigEndian) {
  const uint64_t size = tiff.size();
  if (size < 8) {
    return std::nullopt;
  }
  if (tiff[0] == 'I' && tiff[1] == 'I' && tiff[2] == 42 && tiff[3] == 0) {
    bigEndian = false;
  } else if (tiff[0] == 'M' && tiff[1] == 'M' && tiff[2] == 0 && tiff[3] == 42) {
    bigEndian = true;
  } else {
    return std::nullopt;
  }
  const Reader read(tiff, bigEndian);
  const uint64_t directory = read.U32(4);
  if (directory + 2 > size) {
    return std::nullopt;
  }
  const uint64_t entries = read.U16(directory);
  for (uint64_t i = 0; i < entries; ++i) {
    const uint64_t entry = directory + 2 + 12 * i;
    if (entry + 12 > size) {
      return std::nullopt;
    }
    if (read.U16(entry) != tag) {
      continue;
    }
    type = static_cast<uint16_t>(read.U16(entry + 2));
    count = read.U32(entry + 4);
    const uint64_t length = uint64_t{TypeSize(type)} * count;
    if (length == 0) {
      return std::nullopt;
    }
    // Up to four bytes sit in the entry itself, longer values at an offset.
    const uint64_t at = length <= 4 ? entry + 8 : read.U32(entry + 8);
    if (at > size || length > size - at) {
      return std::nullopt;
    }
    return tiff.subspan(static_cast<std::size_t>(at), static_cast<std::size_t>(length));
  }
  return std::nullopt;
}

std::optional<int> ExifOrientation(std::span<const uint8_t> exif) {
  static constexpr uint8_t kPrefix[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (exif.size() >= sizeof kPrefix && std::memcmp(exif.data(), kPrefix, sizeof kPrefix) == 0) {
    exif = exif.subspan(sizeof kPrefix);
  }
  uint16_t type = 0;
  uint32_t count = 0;
  bool bigEndian = false;
  const auto value = FindTiffTag(exif, kOrientationTag, type, count, bigEndian);
  if (!value || count != 1 || (type != kShort && type != kLong)) {
    return std::nullopt;
  }
  const Reader read(*value, bigEndian);
  const uint32_t orientation = type == kShort ? read.U16(0) : read.U32(0);
  if (orientation < 1 || orientation > 8) {
    return std::nullopt;
  }
  return static_cast<int>(orientation);
}

}  // namespace zelmor
