#include "overlay/ico_reader.h"

#include <limits>
#include <memory>
#include <stdexcept>

#include "overlay/little_endian.h"
#include "platform/files.h"
#include "platform/messages.h"

namespace zelmor {
namespace {

constexpr uint64_t kIconDirSize = 6;
constexpr uint64_t kDirEntrySize = 16;

std::nullopt_t Refuse(const char* text, MessageIcon icon = MessageIcon::kError) {
  ShowMessage(text, icon);
  return std::nullopt;
}

// The whole file, or nothing after the message for a file that cannot be
// opened or is too small to hold a header. The file is closed on return.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path) {
  std::unique_ptr<InputFile> file = InputFile::Open(path);
  if (!file) {
    return Refuse("Failed to open input ICO file.");
  }
  const uint64_t length = file->Length();
  // Offsets inside an ICO are 32-bit; a larger file cannot be one we read
  // faithfully, and reading through the low 32 bits of its length would
  // silently take a different file.
  if (length > std::numeric_limits<uint32_t>::max()) {
    file.reset();
    return Refuse("Failed to open input ICO file.");
  }
  if (length < kIconDirSize) {
    file.reset();
    return Refuse("Invalid ICO file (too small).");
  }
  // A short read leaves zeros at the end, which the checks below then see.
  std::vector<uint8_t> bytes(static_cast<std::size_t>(length));
  file->Read(bytes.data(), bytes.size());
  return bytes;
}

}  // namespace

std::optional<IcoFileImage> ReadIcoFile(const std::string& path) {
  if (!PathExists(path)) {
    return Refuse("File does not exist.");
  }
  std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(path);
  if (!bytes) {
    return std::nullopt;
  }
  const uint8_t* data = bytes->data();
  if (ReadU16(data + 2) != 1) {
    return Refuse("Not a valid ICO file.");
  }
  const uint16_t count = ReadU16(data + 4);
  if (count == 0) {
    return Refuse("ICO file contains no icons.", MessageIcon::kWarning);
  }
  if (kIconDirSize + kDirEntrySize * count > bytes->size()) {
    return Refuse("Invalid ICO file (truncated directory).");
  }
  return IcoFileImage{std::move(*bytes), count};
}

std::optional<std::span<const uint8_t>> IconEntryBytes(const IcoFileImage& file, uint32_t index) {
  if (index >= file.entryCount) {
    throw std::invalid_argument("IconEntryBytes: no such directory entry");
  }
  const uint8_t* entry = file.bytes.data() + kIconDirSize + kDirEntrySize * index;
  const uint32_t size = ReadU32(entry + 8);
  const uint32_t offset = ReadU32(entry + 12);
  if (uint64_t{offset} + size > file.bytes.size()) {
    return std::nullopt;
  }
  return std::span<const uint8_t>(file.bytes.data() + offset, size);
}

}  // namespace zelmor
