#include "platform/png_outline.h"

#include <cstring>

namespace zelmor {
namespace {

uint32_t BigEndian32(const uint8_t* bytes) {
  return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 |
         uint32_t{bytes[3]};
}

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// An IDAT chunk of no data: length 0, type, and the CRC of the type alone.
constexpr uint8_t kEmptyIdat[12] = {0, 0, 0, 0, 'I', 'D', 'A', 'T', 0x35, 0xAF, 0x06, 0x1E};

}  // namespace

std::optional<std::vector<uint8_t>> ReadPngOutline(InputFile& file) {
  std::vector<uint8_t> outline(kSignature, kSignature + 8);
  const uint64_t size = file.Length();
  uint64_t at = 8;
  uint8_t header[8];
  while (at + 12 <= size) {
    if (file.Read(header, 8) != 8) {
      break;
    }
    const uint64_t length = BigEndian32(header);
    if (length > size - at - 12) {
      break;  // a chunk running past the end, as readers of the outline would find it
    }
    if (std::memcmp(header + 4, "IDAT", 4) == 0) {
      outline.insert(outline.end(), kEmptyIdat, kEmptyIdat + 12);
      at += 12 + length;
      if (!file.Seek(at)) {
        break;
      }
      continue;
    }
    if (outline.size() + 12 + length > kMaxPngOutlineBytes) {
      return std::nullopt;
    }
    const std::size_t start = outline.size();
    outline.insert(outline.end(), header, header + 8);
    outline.resize(start + 12 + static_cast<std::size_t>(length));
    if (file.Read(outline.data() + start + 8, length + 4) != length + 4) {
      outline.resize(start);
      break;
    }
    at += 12 + length;
    if (std::memcmp(header + 4, "IEND", 4) == 0) {
      break;
    }
  }
  return outline;
}

}  // namespace zelmor
