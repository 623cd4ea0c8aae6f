// A BMP decoder of our own: Qt's reader refuses OS/2 2.x and 56-byte headers,
// 2-bit palettes, RLE24 and alpha bit fields, reads 11-11-10 fields as black,
// and leaves pixels that runs skip or a cut file lacks as the heap had them;
// no Debian library reads the whole format either.
#include "platform/bmp_decoder.h"

#include <algorithm>
#include <new>

#include "platform/bmp_layout.h"
#include "platform/bmp_run_length.h"
#include "platform/little_endian.h"

namespace zelmor {
namespace {

// A channel's bits widened to 8, rounded: v * 255 / max.
uint8_t Level(uint32_t pixel, const BmpChannel& channel) {
  if (channel.max == 0) {
    return 0;
  }
  const uint64_t v = (pixel & channel.mask) >> channel.shift;
  if (channel.max == 255) {
    return static_cast<uint8_t>(v);
  }
  return static_cast<uint8_t>((v * 255 + channel.max / 2) / channel.max);
}

void UnpackFieldPixels(const uint8_t* src, const BmpLayout& layout, int64_t count, uint8_t* dst) {
  const uint32_t bytes = layout.bitCount / 8u;
  for (int64_t x = 0; x < count; ++x, src += bytes, dst += 4) {
    const uint32_t pixel = bytes == 2 ? ReadU16(src) : ReadU32(src);
    for (int c = 0; c < 3; ++c) {
      dst[c] = Level(pixel, layout.channels[c]);
    }
    dst[3] = layout.hasAlpha ? Level(pixel, layout.channels[3]) : 255;
  }
}

// Rows stored one after the other; a row the file cuts gives the pixels it
// holds whole, and rows past the end stay transparent.
void DrawRows(const uint8_t* data, std::size_t size, const BmpLayout& layout, Bitmap& canvas) {
  for (int64_t r = 0; r < layout.height; ++r) {
    const uint64_t start = layout.pixelsAt + static_cast<uint64_t>(r) * layout.rowBytes;
    if (start >= size) {
      return;
    }
    const uint64_t have = std::min<uint64_t>(layout.rowBytes, size - start);
    const int64_t count =
        std::min<int64_t>(layout.width, static_cast<int64_t>(have * 8 / layout.bitCount));
    const int64_t y = layout.topDown ? r : layout.height - 1 - r;
    const uint8_t* src = data + start;
    uint8_t* dst = canvas.row(static_cast<int32_t>(y));
    if (layout.bitCount <= 8) {
      UnpackIndexedPixels(src, layout.bitCount, count, layout.palette, dst);
    } else if (layout.bitCount == 24) {
      UnpackBgrPixels(src, count, dst);
    } else {
      UnpackFieldPixels(src, layout, count, dst);
    }
  }
}

}  // namespace

bool HasBmpSignature(const uint8_t* data, std::size_t size) {
  return data != nullptr && size >= 2 && data[0] == 'B' && data[1] == 'M';
}

std::optional<DecodedPicture> DecodeBmp(const uint8_t* data, std::size_t size) {
  const std::optional<BmpLayout> layout = ReadBmpLayout(data, size);
  if (!layout) {
    return std::nullopt;
  }
  // Uncompressed pixels that do not fill even one row leave nothing to show.
  if (layout->coding == BmpCoding::kPlain && size - layout->pixelsAt < layout->rowBytes) {
    return std::nullopt;
  }
  DecodedPicture picture;
  try {
    picture.pixels = Bitmap(layout->width, layout->height);
    if (layout->profileSize > 0) {
      picture.colour.iccProfile.assign(data + layout->profileAt,
                                data + layout->profileAt + layout->profileSize);
    }
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  picture.calibrated = layout->calibrated;
  if (layout->coding == BmpCoding::kPlain) {
    DrawRows(data, size, *layout, picture.pixels);
  } else {
    DrawBmpRuns(data, size, *layout, picture.pixels);
  }
  return picture;
}

}  // namespace zelmor
