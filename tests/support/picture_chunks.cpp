#include "tests/support/picture_chunks.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "tests/support/bmp_file.h"

namespace zelmor::testing {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t value, bool bigEndian) {
  if (bigEndian) {
    out.insert(out.end(), {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)});
  } else {
    out.insert(out.end(), {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)});
  }
}

void Put32(std::vector<uint8_t>& out, uint32_t value, bool bigEndian) {
  if (bigEndian) {
    Put16(out, value >> 16, true);
    Put16(out, value & 0xFFFF, true);
  } else {
    Put16(out, value & 0xFFFF, false);
    Put16(out, value >> 16, false);
  }
}

}  // namespace

std::vector<uint8_t> ExifBlock(int orientation, bool bigEndian) {
  std::vector<uint8_t> out;
  if (bigEndian) {
    out = {'M', 'M', 0, 42};
  } else {
    out = {'I', 'I', 42, 0};
  }
  Put32(out, 8, bigEndian);  // first directory
  Put16(out, 1, bigEndian);  // one entry
  Put16(out, 0x0112, bigEndian);
  Put16(out, 3, bigEndian);  // SHORT
  Put32(out, 1, bigEndian);
  Put16(out, static_cast<uint32_t>(orientation), bigEndian);
  Put16(out, 0, bigEndian);
  Put32(out, 0, bigEndian);  // no next directory
  return out;
}

std::vector<uint8_t> InsertPngChunk(const std::vector<uint8_t>& png, const char* type,
                                    const std::vector<uint8_t>& data) {
  std::vector<uint8_t> chunk;
  Put32(chunk, static_cast<uint32_t>(data.size()), true);
  chunk.insert(chunk.end(), type, type + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  Put32(chunk, PngCrc32(chunk.data() + 4, chunk.size() - 4), true);
  constexpr std::size_t kAfterHeader = 8 + 25;  // signature, IHDR
  std::vector<uint8_t> out(png.begin(), png.begin() + kAfterHeader);
  out.insert(out.end(), chunk.begin(), chunk.end());
  out.insert(out.end(), png.begin() + kAfterHeader, png.end());
  return out;
}

std::vector<uint8_t> IccpChunkData(const std::vector<uint8_t>& profile) {
  std::vector<uint8_t> out = {'i', 'c', 'c', 0, 0};
  uLongf size = compressBound(static_cast<uLong>(profile.size()));
  std::vector<uint8_t> packed(size);
  compress(packed.data(), &size, profile.data(), static_cast<uLong>(profile.size()));
  out.insert(out.end(), packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(size));
  return out;
}

std::vector<uint8_t> InsertJpegSegment(const std::vector<uint8_t>& jpeg, uint8_t marker,
                                       const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> out = {jpeg[0], jpeg[1], 0xFF, marker};
  Put16(out, static_cast<uint32_t>(payload.size() + 2), true);
  out.insert(out.end(), payload.begin(), payload.end());
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

std::vector<uint8_t> InsertJpegIccProfile(const std::vector<uint8_t>& jpeg,
                                          const std::vector<uint8_t>& profile, int pieces) {
  // A segment holds at most 65533 bytes, 14 of them the piece's label.
  constexpr std::size_t kMostPerPiece = 65533 - 14;
  pieces =
      std::max<int>(pieces, static_cast<int>((profile.size() + kMostPerPiece - 1) / kMostPerPiece));
  const std::size_t pieceSize = (profile.size() + pieces - 1) / pieces;
  std::vector<uint8_t> out = jpeg;
  // Inserted last piece first, so they end up in order.
  for (int i = pieces - 1; i >= 0; --i) {
    static const char kName[] = "ICC_PROFILE";
    std::vector<uint8_t> payload(kName, kName + sizeof kName);
    payload.push_back(static_cast<uint8_t>(i + 1));
    payload.push_back(static_cast<uint8_t>(pieces));
    const std::size_t from = std::min(profile.size(), i * pieceSize);
    const std::size_t to = std::min(profile.size(), from + pieceSize);
    payload.insert(payload.end(), profile.begin() + static_cast<std::ptrdiff_t>(from),
                   profile.begin() + static_cast<std::ptrdiff_t>(to));
    out = InsertJpegSegment(out, 0xE2, payload);
  }
  return out;
}

}  // namespace zelmor::testing
