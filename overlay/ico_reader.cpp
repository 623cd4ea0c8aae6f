#include "overlay/ico_reader.h"

#include <limits>
#include <memory>
#include <stdexcept>

#include "overlay/little_endian.h"
#include "platform/files.h"
#include "platform/messages.h"

namespace zelmor {

const char* IcoFaultText(IcoFault fault) {
  switch (fault) {
    case IcoFault::kNone:
      return "";
    case IcoFault::kMissing:
      return "File does not exist.";
    case IcoFault::kCannotOpen:
      return "Failed to open input ICO file.";
    case IcoFault::kTooSmall:
      return "Invalid ICO file (too small).";
    case IcoFault::kNotIcon:
      return "Not a valid ICO file.";
    case IcoFault::kNoEntries:
      return "ICO file contains no icons.";
    case IcoFault::kTruncatedDirectory:
      return "Invalid ICO file (truncated directory).";
  }
  return "";
}

IcoFault ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes) {
  if (!PathExists(path)) {
    return IcoFault::kMissing;
  }
  std::unique_ptr<InputFile> file = InputFile::Open(path);
  if (!file) {
    return IcoFault::kCannotOpen;
  }
  const uint64_t length = file->Length();
  // Offsets inside an ICO are 32-bit; a larger file cannot be one we read
  // faithfully, and reading through the low 32 bits of its length would
  // silently take a different file.
  if (length > std::numeric_limits<uint32_t>::max()) {
    return IcoFault::kCannotOpen;
  }
  std::vector<uint8_t> whole(static_cast<std::size_t>(length));
  file->Read(whole.data(), whole.size());
  bytes = std::move(whole);
  return IcoFault::kNone;
}

IcoFault CheckIcoDirectory(std::span<const uint8_t> bytes) {
  if (bytes.size() < kIcoHeaderBytes) {
    return IcoFault::kTooSmall;
  }
  if (ReadU16(bytes.data() + 2) != 1) {
    return IcoFault::kNotIcon;
  }
  const uint16_t count = ReadU16(bytes.data() + 4);
  if (count == 0) {
    return IcoFault::kNoEntries;
  }
  if (kIcoHeaderBytes + kIcoDirEntryBytes * count > bytes.size()) {
    return IcoFault::kTruncatedDirectory;
  }
  return IcoFault::kNone;
}

IcoDirEntry ReadIcoDirEntry(std::span<const uint8_t> bytes, uint32_t index) {
  const uint64_t at = kIcoHeaderBytes + kIcoDirEntryBytes * index;
  if (at + kIcoDirEntryBytes > bytes.size()) {
    throw std::invalid_argument("ReadIcoDirEntry: no such directory entry");
  }
  const uint8_t* p = bytes.data() + at;
  return IcoDirEntry{p[0],           p[1],           p[2],           p[3],
                     ReadU16(p + 4), ReadU16(p + 6), ReadU32(p + 8), ReadU32(p + 12)};
}

std::optional<IcoFileImage> ReadIcoFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  IcoFault fault = ReadFileBytes(path, bytes);
  if (fault == IcoFault::kNone) {
    fault = CheckIcoDirectory(bytes);
  }
  if (fault != IcoFault::kNone) {
    // An empty directory is a file we understood that holds nothing to draw.
    ShowMessage(IcoFaultText(fault),
                fault == IcoFault::kNoEntries ? MessageIcon::kWarning : MessageIcon::kError);
    return std::nullopt;
  }
  const uint16_t count = ReadU16(bytes.data() + 4);
  return IcoFileImage{std::move(bytes), count};
}

std::optional<std::span<const uint8_t>> IconEntryBytes(const IcoFileImage& file, uint32_t index) {
  if (index >= file.entryCount) {
    throw std::invalid_argument("IconEntryBytes: no such directory entry");
  }
  return IconEntryBytes(file.bytes, ReadIcoDirEntry(file.bytes, index));
}

std::optional<std::span<const uint8_t>> IconEntryBytes(std::span<const uint8_t> bytes,
                                                       const IcoDirEntry& entry) {
  if (uint64_t{entry.imageOffset} + entry.bytesInRes > bytes.size()) {
    return std::nullopt;
  }
  return bytes.subspan(entry.imageOffset, entry.bytesInRes);
}

}  // namespace zelmor
