#include "fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "encoding/icon_image.h"
#include "overlay/decode_icon_entry.h"
#include "overlay/ico_reader.h"
#include "overlay/little_endian.h"
#include "platform/imaging.h"

namespace zelmor::fuzz {
namespace {

const std::filesystem::path& ScratchFolder() {
  // Never destroyed, so the exit handler below can still use it.
  static const std::filesystem::path* const folder = [] {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    std::string pattern = (base / "zelmor-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("zelmor fuzz: cannot make a scratch folder");
      std::abort();
    }
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(ScratchFolder(), ignored);
    });
    return new std::filesystem::path(pattern);
  }();
  return *folder;
}

}  // namespace

std::string ScratchFile(const std::string& name) {
  return (ScratchFolder() / name).string();
}

void WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  Check(static_cast<bool>(out), "cannot write a scratch file");
}

void RemoveFile(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

bool FileExists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::exists(path, ignored);
}

std::vector<int32_t> ReadBackWrittenIcon(const std::string& path, int bits) {
  bool quiet = true;
  const ScopedMessageSink sink([&quiet](const std::string&, MessageIcon) { quiet = false; });
  const ImagingSession imaging;
  const std::optional<IcoFileImage> file = ReadIcoFile(path);
  Check(file.has_value() && quiet, "a written icon does not read back");
  const uint32_t paletteBytes = bits == 4 ? 64 : bits == 8 ? 1024 : 0;
  uint64_t nextBlock = 6 + uint64_t{16} * file->entryCount;
  std::vector<int32_t> sides;
  for (uint32_t i = 0; i < file->entryCount; ++i) {
    const uint8_t* entry = file->bytes.data() + 6 + 16 * i;
    Check(ReadU16(entry + 6) == bits, "a written entry has the wrong depth");
    Check(ReadU32(entry + 12) == nextBlock, "written blocks are not back to back");
    const auto block = IconEntryBytes(*file, i);
    Check(block.has_value(), "a written entry reaches past the file");
    int32_t width = 0;
    int32_t height = 0;
    const std::optional<Bitmap> picture =
        DecodeIconEntry(block->data(), static_cast<uint32_t>(block->size()), width, height);
    Check(picture.has_value(), "a written entry does not decode");
    Check(width == height && width > 0, "a written entry is not a square");
    Check(entry[0] == (width & 0xFF) && entry[1] == (width & 0xFF),
          "a written directory entry disagrees with its block");
    const uint64_t expected = 40 + paletteBytes + uint64_t{XorStride(width, bits)} * width +
                              uint64_t{MaskStride(width)} * width;
    Check(block->size() == expected, "a written block has the wrong length");
    nextBlock += block->size();
    sides.push_back(width);
  }
  Check(nextBlock == file->bytes.size(), "a written file has bytes past its last block");
  return sides;
}

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "zelmor fuzz: check failed: %s\n", what);
    std::abort();
  }
}

void CheckDecodedPicture(const Bitmap& picture, bool sampleLarge) {
  Check(!picture.empty() && picture.width() > 0 && picture.height() > 0, "an empty picture");
  Check(uint64_t{4} * static_cast<uint64_t>(picture.width()) *
                static_cast<uint64_t>(picture.height()) <=
            kMaxBitmapBytes,
        "a decoded picture passes the imaging limit");
  const bool whole =
      !sampleLarge || int64_t{picture.width()} * picture.height() <= (int64_t{1} << 22);
  uint32_t sum = 0;
  for (int32_t y = 0; y < picture.height();
       y = whole || y + 1 == picture.height() || y != 0 ? y + 1 : picture.height() - 1) {
    const uint8_t* row = picture.row(y);
    for (int32_t x = 0; x < 4 * picture.width(); ++x) {
      sum += row[x];
    }
  }
  volatile uint32_t sink = sum;
  (void)sink;
}

}  // namespace zelmor::fuzz
