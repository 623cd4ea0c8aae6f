// Orientation and colour read straight from the container of each format.
// Qt 6.4 reports an EXIF orientation only for JPEG and TIFF and hands out an
// embedded profile only through QColorSpace, which drops what it cannot
// parse (LUT profiles among them); reading the few blocks ourselves gives
// every format the same rules and the raw profile bytes lcms2 needs.
#include "platform/picture_metadata.h"

#include <cstring>
#include <map>

#include "platform/tiff_tags.h"
#include "platform/zlib_inflate.h"

namespace zelmor {
namespace {

using Bytes = std::span<const uint8_t>;

uint32_t BigEndian32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

uint32_t LittleEndian32(const uint8_t* p) {
  return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

bool StartsWith(Bytes bytes, const char* text, std::size_t length) {
  return bytes.size() >= length && std::memcmp(bytes.data(), text, length) == 0;
}

// ---- PNG ----

void ReadPng(Bytes file, PictureMetadata& out) {
  PngColourChunks chunks;
  bool anyColour = false;
  bool seenData = false;
  uint64_t at = 8;
  while (at + 12 <= file.size()) {
    const uint64_t length = BigEndian32(&file[at]);
    if (length > file.size() - at - 12) {
      break;
    }
    const Bytes typeAndData = file.subspan(at + 4, 4 + length);
    const Bytes data = typeAndData.subspan(4);
    const uint32_t crc = BigEndian32(&file[at + 8 + length]);
    at += 12 + length;
    const auto is = [&typeAndData](const char* type) {
      return std::memcmp(typeAndData.data(), type, 4) == 0;
    };
    if (is("IEND")) {
      break;
    }
    if (is("IDAT")) {
      seenData = true;
      continue;
    }
    // libpng drops an ancillary chunk whose checksum is wrong; so do we.
    const bool wanted =
        is("eXIf") || (!seenData && (is("iCCP") || is("sRGB") || is("gAMA") || is("cHRM")));
    if (!wanted || Crc32(typeAndData) != crc) {
      continue;
    }
    if (is("eXIf")) {
      if (const auto orientation = ExifOrientation(data)) {
        out.orientation = *orientation;
      }
    } else if (is("iCCP")) {
      // A name of 1 to 79 bytes, its terminator, method 0, then zlib data.
      const void* end = std::memchr(data.data(), 0, std::min<std::size_t>(data.size(), 80));
      if (end == nullptr) {
        continue;
      }
      const std::size_t nameLength = static_cast<const uint8_t*>(end) - data.data();
      if (nameLength + 2 > data.size() || data[nameLength + 1] != 0) {
        continue;
      }
      if (auto profile = InflateZlib(data.subspan(nameLength + 2), kMaxIccProfileBytes)) {
        out.colour.iccProfile = std::move(*profile);
      }
    } else if (is("sRGB")) {
      chunks.srgb = data.size() == 1;
      anyColour = anyColour || chunks.srgb;
    } else if (is("gAMA") && data.size() == 4) {
      chunks.gamma = BigEndian32(data.data());
      anyColour = true;
    } else if (is("cHRM") && data.size() == 32) {
      std::array<uint32_t, 8> values{};
      for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = BigEndian32(&data[i * 4]);
      }
      chunks.chromaticities = values;
      anyColour = true;
    }
  }
  if (anyColour) {
    out.colour.png = chunks;
  }
}

// ---- JPEG ----

void ReadJpeg(Bytes file, PictureMetadata& out) {
  // ICC profiles longer than one marker holds come in numbered pieces.
  std::map<uint8_t, Bytes> iccPieces;
  uint8_t iccCount = 0;
  bool iccBroken = false;
  bool haveExif = false;
  uint64_t at = 2;
  while (at + 4 <= file.size()) {
    if (file[at] != 0xFF) {
      break;
    }
    const uint8_t marker = file[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      at += 2;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) {
      break;  // the entropy-coded data begins; metadata markers come before it
    }
    const uint64_t length = uint64_t{file[at + 2]} << 8 | file[at + 3];
    if (length < 2 || length > file.size() - at - 2) {
      break;
    }
    const Bytes payload = file.subspan(at + 4, length - 2);
    at += 2 + length;
    if (marker == 0xE1 && !haveExif && StartsWith(payload, "Exif\0\0", 6)) {
      haveExif = true;
      if (const auto orientation = ExifOrientation(payload)) {
        out.orientation = *orientation;
      }
    } else if (marker == 0xE2 && StartsWith(payload, "ICC_PROFILE\0", 12) && payload.size() >= 14) {
      const uint8_t sequence = payload[12];
      const uint8_t count = payload[13];
      if (sequence == 0 || sequence > count || (iccCount != 0 && count != iccCount) ||
          iccPieces.count(sequence) != 0) {
        iccBroken = true;
      }
      iccCount = count;
      iccPieces[sequence] = payload.subspan(14);
    }
  }
  if (iccBroken || iccCount == 0 || iccPieces.size() != iccCount) {
    return;
  }
  std::vector<uint8_t> profile;
  for (const auto& [sequence, piece] : iccPieces) {
    if (profile.size() + piece.size() > kMaxIccProfileBytes) {
      return;
    }
    profile.insert(profile.end(), piece.begin(), piece.end());
  }
  out.colour.iccProfile = std::move(profile);
}

// ---- WebP ----

void ReadWebp(Bytes file, PictureMetadata& out) {
  uint64_t at = 12;
  while (at + 8 <= file.size()) {
    const uint64_t length = LittleEndian32(&file[at + 4]);
    if (length > file.size() - at - 8) {
      break;
    }
    const Bytes fourcc = file.subspan(at, 4);
    const Bytes data = file.subspan(at + 8, length);
    at += 8 + length + (length & 1);
    if (StartsWith(fourcc, "EXIF", 4)) {
      if (const auto orientation = ExifOrientation(data)) {
        out.orientation = *orientation;
      }
    } else if (StartsWith(fourcc, "ICCP", 4) && length <= kMaxIccProfileBytes) {
      out.colour.iccProfile.assign(data.begin(), data.end());
    }
  }
}

// ---- TIFF ----

void ReadTiff(Bytes file, PictureMetadata& out) {
  if (const auto orientation = ExifOrientation(file)) {
    out.orientation = *orientation;
  }
  constexpr uint16_t kIccProfileTag = 34675;
  uint16_t type = 0;
  uint32_t count = 0;
  bool bigEndian = false;
  const auto profile = FindTiffTag(file, kIccProfileTag, type, count, bigEndian);
  if (profile && (type == 1 || type == 7) && profile->size() <= kMaxIccProfileBytes) {
    out.colour.iccProfile.assign(profile->begin(), profile->end());
  }
}

}  // namespace

PictureMetadata ReadPictureMetadata(std::span<const uint8_t> file) {
  PictureMetadata out;
  if (StartsWith(file, "\x89PNG\r\n\x1A\n", 8)) {
    ReadPng(file, out);
  } else if (StartsWith(file, "\xFF\xD8", 2)) {
    ReadJpeg(file, out);
  } else if (StartsWith(file, "RIFF", 4) && file.size() >= 12 &&
             std::memcmp(&file[8], "WEBP", 4) == 0) {
    ReadWebp(file, out);
  } else if (StartsWith(file, "II*\0", 4) || StartsWith(file, "MM\0*", 4)) {
    ReadTiff(file, out);
  }
  return out;
}

}  // namespace zelmor
