#include "overlay/bitmap_entry.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <new>

#include "overlay/little_endian.h"
#include "platform/dib_rows.h"
#include "platform/imaging.h"

namespace zelmor {
namespace {

constexpr uint32_t kHeaderBytes = 40;

// Where the parts of a bitmap block lie, as byte offsets from its start.
struct BitmapEntryLayout {
  int32_t width = 0;
  int32_t height = 0;
  uint16_t bitCount = 0;
  uint64_t paletteCount = 0;
  uint64_t xorStart = 0;
  uint64_t xorRowBytes = 0;
  uint64_t andStart = 0;
  uint64_t andRowBytes = 0;
};

std::optional<BitmapEntryLayout> ReadLayout(const uint8_t* entry, uint32_t size) {
  if (size < kHeaderBytes) {
    return std::nullopt;
  }
  BitmapEntryLayout layout;
  layout.width = ReadS32(entry + 4);
  // The stored height counts the XOR rows and the AND rows together.
  layout.height = ReadS32(entry + 8) / 2;
  layout.bitCount = ReadU16(entry + 14);
  if (layout.width <= 0 || layout.height <= 0 || layout.bitCount == 0) {
    return std::nullopt;
  }
  const uint64_t width = static_cast<uint64_t>(layout.width);
  const uint64_t height = static_cast<uint64_t>(layout.height);
  if (width * height * 4 > kMaxDecodedImageBytes) {
    return std::nullopt;
  }
  if (layout.bitCount <= 8) {
    const uint32_t used = ReadU32(entry + 32);
    layout.paletteCount = used != 0 ? used : uint64_t{1} << layout.bitCount;
  }
  layout.xorStart = kHeaderBytes + 4 * layout.paletteCount;
  layout.xorRowBytes = (layout.bitCount * width + 31) / 32 * 4;
  // With width x height at most 2^28 pixels and a depth below 2^16, the XOR
  // bitmap's length stays far inside 64 bits.
  layout.andStart = layout.xorStart + height * layout.xorRowBytes;
  layout.andRowBytes = (width + 31) / 32 * 4;
  if (layout.andStart > size) {
    return std::nullopt;
  }
  return layout;
}

using Bgra = std::array<uint8_t, 4>;

// Every index a pixel of 8 bits or fewer can hold mapped to its colour; an
// index at or past the palette's end is black.
DibPalette ColourTable(const uint8_t* entry, const BitmapEntryLayout& layout) {
  DibPalette table{};
  for (uint64_t i = 0; i < layout.paletteCount && i < table.size(); ++i) {
    const uint8_t* quad = entry + kHeaderBytes + 4 * i;
    table[i] = {quad[0], quad[1], quad[2], 255};
  }
  for (uint64_t i = layout.paletteCount; i < table.size(); ++i) {
    table[i] = {0, 0, 0, 255};
  }
  return table;
}

// A 5-bit channel spread over 8 bits so that 31 becomes 255.
uint8_t Widen5(uint32_t v) {
  return static_cast<uint8_t>((v << 3) | (v >> 2));
}

void PutColour(uint8_t* px, const Bgra& c) {
  std::copy(c.begin(), c.end(), px);
}

// One stored row into top-down BGRA pixels, alpha 255 except where a 32-bit
// row stores its own.
void DecodeXorRow(const uint8_t* src, uint16_t bitCount, int32_t width, const DibPalette& colours,
                  uint8_t* dst) {
  switch (bitCount) {
    case 32:
      std::copy(src, src + 4 * static_cast<std::ptrdiff_t>(width), dst);
      return;
    case 24:
      UnpackBgrPixels(src, width, dst);
      return;
    case 16:
      // 5-5-5 with the top bit unused.
      for (int32_t x = 0; x < width; ++x, src += 2, dst += 4) {
        const uint32_t v = ReadU16(src);
        PutColour(dst, {Widen5(v & 0x1F), Widen5((v >> 5) & 0x1F), Widen5((v >> 10) & 0x1F), 255});
      }
      return;
    case 8:
    case 4:
    case 1:
      UnpackIndexedPixels(src, bitCount, width, colours, dst);
      return;
    default:
      // Depths this decoder does not read come out black and opaque.
      for (int32_t x = 0; x < width; ++x, dst += 4) {
        PutColour(dst, {0, 0, 0, 255});
      }
      return;
  }
}

// A set mask bit makes the pixel transparent; bits past the entry's end
// leave it as it is.
void ApplyAndRow(const uint8_t* entry, uint32_t size, uint64_t rowStart, int32_t width,
                 uint8_t* dst) {
  for (int32_t x = 0; x < width; ++x) {
    const uint64_t at = rowStart + static_cast<uint64_t>(x / 8);
    if (at >= size) {
      break;
    }
    if (entry[at] & (0x80 >> (x % 8))) {
      dst[4 * static_cast<std::ptrdiff_t>(x) + 3] = 0;
    }
  }
}

}  // namespace

std::optional<Bitmap> DecodeBitmapEntry(const uint8_t* entry, uint32_t size) {
  const std::optional<BitmapEntryLayout> layout = ReadLayout(entry, size);
  if (!layout) {
    return std::nullopt;
  }
  std::optional<Bitmap> bitmap;
  try {
    bitmap.emplace(layout->width, layout->height);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  const DibPalette colours = ColourTable(entry, *layout);
  for (int32_t y = 0; y < layout->height; ++y) {
    // Rows are stored bottom-up.
    const uint64_t r = static_cast<uint64_t>(layout->height - 1 - y);
    uint8_t* dst = bitmap->row(y);
    DecodeXorRow(entry + layout->xorStart + r * layout->xorRowBytes, layout->bitCount,
                 layout->width, colours, dst);
    ApplyAndRow(entry, size, layout->andStart + r * layout->andRowBytes, layout->width, dst);
  }
  return bitmap;
}

}  // namespace zelmor
