#include "overlay/decode_icon_entry.h"

#include "overlay/bitmap_entry.h"
#include "overlay/little_endian.h"
#include "platform/imaging.h"

namespace zelmor {
namespace {

bool StartsLikePng(const uint8_t* entry, uint32_t size) {
  // Only the first four of the eight signature bytes are compared.
  return size >= 8 && entry[0] == 0x89 && entry[1] == 'P' && entry[2] == 'N' && entry[3] == 'G';
}

uint32_t ReadU32BigEndian(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// The IHDR chunk comes first in every PNG: after the 8-byte signature, its
// length (13), its type, then width, height, bit depth and colour type.
void DescribePngHeader(const uint8_t* entry, uint32_t size, IconEntryForm& form) {
  constexpr uint32_t kHeaderEnd = 8 + 8 + 13;
  if (size < kHeaderEnd || ReadU32BigEndian(entry + 8) != 13 || entry[12] != 'I' ||
      entry[13] != 'H' || entry[14] != 'D' || entry[15] != 'R') {
    return;
  }
  const uint8_t depth = entry[24];
  const uint8_t colourType = entry[25];
  int channels = 0;
  switch (colourType) {
    case 0:  // grey
    case 3:  // palette indices
      channels = 1;
      break;
    case 2:  // RGB
      channels = 3;
      break;
    case 4:  // grey and alpha
      channels = 2;
      break;
    case 6:  // RGBA
      channels = 4;
      break;
    default:
      return;
  }
  form.bits = static_cast<uint16_t>(depth * channels);
  form.rgba8 = colourType == 6 && depth == 8;
}

}  // namespace

std::optional<Bitmap> DecodeIconEntry(const uint8_t* entry, uint32_t size, int32_t& width,
                                      int32_t& height) {
  std::optional<Bitmap> bitmap =
      StartsLikePng(entry, size) ? DecodePngBytes(entry, size) : DecodeBitmapEntry(entry, size);
  if (bitmap) {
    width = bitmap->width();
    height = bitmap->height();
  }
  return bitmap;
}

IconEntryForm DescribeIconEntry(const uint8_t* entry, uint32_t size) {
  IconEntryForm form;
  form.png = StartsLikePng(entry, size);
  if (form.png) {
    DescribePngHeader(entry, size, form);
  } else if (size >= 16) {
    form.bits = ReadU16(entry + 14);
  }
  return form;
}

}  // namespace zelmor
