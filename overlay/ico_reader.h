#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zelmor {

// What is wrong with an ICO file as a whole, as both the overlay engine and the
// inspector see it. The reading steps below return these instead of showing
// messages, so that each front end words them its own way.
enum class IcoFault {
  kNone,
  kMissing,             // no file or folder at the path
  kCannotOpen,          // a folder, no permission, or longer than 32-bit offsets reach
  kTooSmall,            // shorter than the 6-byte header
  kNotIcon,             // idType is not 1
  kNoEntries,           // idCount is 0
  kTruncatedDirectory,  // the directory runs past the end
};

// The overlay engine's message for `fault` (kNone has none: an empty text).
const char* IcoFaultText(IcoFault fault);

// One ICONDIRENTRY as stored, every field as written.
struct IcoDirEntry {
  uint8_t width = 0;  // 0 stands for 256
  uint8_t height = 0;
  uint8_t colorCount = 0;
  uint8_t reserved = 0;
  uint16_t planes = 0;
  uint16_t bitCount = 0;
  uint32_t bytesInRes = 0;
  uint32_t imageOffset = 0;
};

inline constexpr uint64_t kIcoHeaderBytes = 6;
inline constexpr uint64_t kIcoDirEntryBytes = 16;

// Reads the file at `path` whole and closes it; no message. kMissing or
// kCannotOpen (with `bytes` untouched) when it cannot be had. A short read
// leaves zeros at the end. A FileError while taking the length or reading
// propagates.
IcoFault ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes);

// Checks the header and that the whole directory lies inside `bytes`.
IcoFault CheckIcoDirectory(std::span<const uint8_t> bytes);

// Directory entry `index` of bytes that CheckIcoDirectory accepted, for an
// index below idCount. Throws std::invalid_argument for an index past the
// directory's end.
IcoDirEntry ReadIcoDirEntry(std::span<const uint8_t> bytes, uint32_t index);

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

// The same for a directory entry of any file: nothing when the block reaches
// past the end of `bytes`.
std::optional<std::span<const uint8_t>> IconEntryBytes(std::span<const uint8_t> bytes,
                                                       const IcoDirEntry& entry);

}  // namespace zelmor
