#include "overlay/decode_icon_entry.h"

#include "overlay/bitmap_entry.h"
#include "platform/imaging.h"

namespace zelmor {
namespace {

bool StartsLikePng(const uint8_t* entry, uint32_t size) {
  // Only the first four of the eight signature bytes are compared.
  return size >= 8 && entry[0] == 0x89 && entry[1] == 'P' && entry[2] == 'N' && entry[3] == 'G';
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

}  // namespace zelmor
