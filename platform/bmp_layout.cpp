#include "platform/bmp_layout.h"

#include <algorithm>
#include <bit>

#include "platform/imaging.h"
#include "platform/little_endian.h"

namespace zelmor {
namespace {

constexpr uint64_t kFileHeaderBytes = 14;
constexpr uint32_t kCoreHeaderBytes = 12;  // OS/2 1.x
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kV2HeaderBytes = 52;  // red, green and blue masks
constexpr uint32_t kV3HeaderBytes = 56;  // and the alpha mask
constexpr uint32_t kV4HeaderBytes = 108;
constexpr uint32_t kV5HeaderBytes = 124;

// Compression field values. OS/2 2.x gives 3 and 4 other meanings.
constexpr uint32_t kRgb = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitFields = 3;  // OS/2 2.x: Huffman 1D
constexpr uint32_t kJpeg = 4;       // OS/2 2.x with 24 bits: RLE24
constexpr uint32_t kAlphaBitFields = 6;

// Colour space types of a V4 or V5 header.
constexpr uint32_t kCalibratedRgb = 0;
constexpr uint32_t kEmbeddedProfile = 0x4D424544;  // 'MBED'

// OS/2 2.x headers may be any length from 16 to 64 bytes; the Windows ones
// in that range are told apart by their exact lengths.
bool IsOs2v2Header(uint32_t headerBytes) {
  return headerBytes >= 16 && headerBytes <= 64 && headerBytes != kInfoHeaderBytes &&
         headerBytes != kV2HeaderBytes && headerBytes != kV3HeaderBytes;
}

BmpChannel ChannelOf(uint32_t mask) {
  BmpChannel channel;
  if (mask == 0) {
    return channel;
  }
  channel.mask = mask;
  channel.shift = static_cast<uint32_t>(std::countr_zero(mask));
  channel.max = mask >> channel.shift;
  return channel;
}

bool IsPlainDepth(uint16_t bits) {
  return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Endpoints are 2.30 fixed point, gammas 16.16. Writers that do not mean a
// calibrated space leave them all zero; that is read as sRGB.
std::optional<CalibratedRgb> ReadCalibration(const uint8_t* header) {
  CalibratedRgb calibration;
  bool any = false;
  for (int i = 0; i < 9; ++i) {
    const int32_t v = ReadS32(header + 60 + 4 * i);
    any = any || v != 0;
    calibration.endpoints[i / 3][i % 3] = static_cast<double>(v) / (1 << 30);
  }
  for (int i = 0; i < 3; ++i) {
    calibration.gamma[i] = static_cast<double>(ReadU32(header + 96 + 4 * i)) / 65536.0;
  }
  if (!any) {
    return std::nullopt;
  }
  return calibration;
}

}  // namespace

std::optional<BmpLayout> ReadBmpLayout(const uint8_t* data, std::size_t size) {
  if (data == nullptr || size < kFileHeaderBytes + 4 || data[0] != 'B' || data[1] != 'M') {
    return std::nullopt;
  }
  const uint32_t headerBytes = ReadU32(data + 14);
  if ((headerBytes != kCoreHeaderBytes && headerBytes < 16) ||
      kFileHeaderBytes + headerBytes > size) {
    return std::nullopt;
  }
  const uint8_t* header = data + kFileHeaderBytes;
  const bool core = headerBytes == kCoreHeaderBytes;
  const bool os2v2 = IsOs2v2Header(headerBytes);

  BmpLayout layout;
  int64_t height = 0;
  uint32_t compression = kRgb;
  uint32_t coloursUsed = 0;
  if (core) {
    layout.width = ReadU16(header + 4);
    height = ReadU16(header + 6);
    layout.bitCount = ReadU16(header + 10);
  } else {
    layout.width = ReadS32(header + 4);
    height = ReadS32(header + 8);
    layout.bitCount = ReadU16(header + 14);
    compression = headerBytes >= 20 ? ReadU32(header + 16) : kRgb;
    coloursUsed = headerBytes >= 36 ? ReadU32(header + 32) : 0;
  }
  layout.topDown = height < 0;
  height = height < 0 ? -height : height;
  if (layout.width <= 0 || height <= 0 || height > INT32_MAX) {
    return std::nullopt;
  }
  layout.height = static_cast<int32_t>(height);
  const uint64_t width = static_cast<uint64_t>(layout.width);
  if (width * static_cast<uint64_t>(height) * 4 > kMaxDecodedImageBytes) {
    return std::nullopt;
  }

  // The coding, and for 16 and 32 bits where each channel's bits lie.
  const uint16_t bits = layout.bitCount;
  uint64_t masksAfterHeader = 0;
  uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  if (bits == 16) {
    masks[0] = 0x7C00;
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
  } else if (bits == 32) {
    // The fourth byte of a BI_RGB pixel is padding: Firefox reads it as alpha
    // only inside an icon, and Chromium shows such files opaque as well.
    masks[0] = 0x00FF0000;
    masks[1] = 0x0000FF00;
    masks[2] = 0x000000FF;
  }
  if (compression == kRgb && IsPlainDepth(bits)) {
    layout.coding = BmpCoding::kPlain;
  } else if (compression == kRle8 && bits == 8) {
    layout.coding = BmpCoding::kRle8;
  } else if (compression == kRle4 && bits == 4) {
    layout.coding = BmpCoding::kRle4;
  } else if (compression == kJpeg && bits == 24) {
    // A JPEG stream has no depth of its own (0): 24 bits is OS/2's RLE24.
    layout.coding = BmpCoding::kRle24;
  } else if ((compression == kBitFields || compression == kAlphaBitFields) && !os2v2 &&
             (bits == 16 || bits == 32)) {
    layout.coding = BmpCoding::kPlain;
    const int count = compression == kAlphaBitFields ? 4 : 3;
    const uint8_t* at = header + 40;
    if (headerBytes < kV2HeaderBytes) {
      // An info header is followed by the masks.
      masksAfterHeader = 4 * static_cast<uint64_t>(count);
      if (kFileHeaderBytes + headerBytes + masksAfterHeader > size) {
        return std::nullopt;
      }
    }
    // Longer headers hold the masks themselves, alpha from 56 bytes on.
    const int inHeader = headerBytes >= kV3HeaderBytes ? 4 : headerBytes >= kV2HeaderBytes ? 3 : 0;
    for (int i = 0; i < (inHeader != 0 ? inHeader : count); ++i) {
      masks[i] = ReadU32(at + 4 * i);
    }
  } else {
    return std::nullopt;
  }
  if (bits == 16) {
    for (uint32_t& mask : masks) {
      mask &= 0xFFFF;
    }
  }
  // Stored red, green, blue, alpha; kept blue, green, red, alpha.
  layout.channels = {ChannelOf(masks[2]), ChannelOf(masks[1]), ChannelOf(masks[0]),
                     ChannelOf(masks[3])};
  layout.hasAlpha = layout.channels[3].max != 0;

  if (headerBytes >= kV4HeaderBytes) {
    const uint32_t space = ReadU32(header + 56);
    if (space == kCalibratedRgb) {
      layout.calibrated = ReadCalibration(header);
    } else if (space == kEmbeddedProfile && headerBytes >= kV5HeaderBytes) {
      // The profile's offset counts from the start of the info header.
      const uint64_t at = kFileHeaderBytes + ReadU32(header + 112);
      const uint64_t length = ReadU32(header + 116);
      if (length > 0 && at + length <= size) {
        layout.profileAt = at;
        layout.profileSize = length;
      }
    }
    // sRGB, the Windows colour space and linked profiles are taken as sRGB.
  }

  // The palette lies between the headers and the pixels; it may be shorter
  // or longer than the depth implies.
  const uint64_t paletteAt = kFileHeaderBytes + headerBytes + masksAfterHeader;
  const uint64_t entryBytes = core ? 3 : 4;
  uint64_t entries = 0;
  if (bits <= 8) {
    entries = coloursUsed != 0 ? coloursUsed : uint64_t{1} << bits;
  }
  const uint32_t pixelsField = ReadU32(data + 10);
  if (pixelsField == 0) {
    layout.pixelsAt = paletteAt + entries * entryBytes;
  } else {
    if (pixelsField < paletteAt) {
      return std::nullopt;
    }
    layout.pixelsAt = pixelsField;
    entries = std::min(entries, (layout.pixelsAt - paletteAt) / entryBytes);
  }
  if (layout.pixelsAt >= size) {
    return std::nullopt;
  }
  entries = std::min<uint64_t>(entries, layout.palette.size());
  for (uint64_t i = 0; i < layout.palette.size(); ++i) {
    if (i < entries) {
      const uint8_t* entry = data + paletteAt + i * entryBytes;
      layout.palette[i] = {entry[0], entry[1], entry[2], 255};
    } else {
      layout.palette[i] = {0, 0, 0, 255};
    }
  }
  // With width at most 2^28 and 32 bits a pixel, this stays far inside 64 bits.
  layout.rowBytes = (width * bits + 31) / 32 * 4;
  return layout;
}

}  // namespace zelmor
