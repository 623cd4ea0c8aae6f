// Arbitrary bytes as one ICO image block: the PNG path through the imaging
// layer and the bitmap decoder with every depth, palette and mask layout.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "fuzz/fuzz_support.h"
#include "overlay/decode_icon_entry.h"
#include "platform/imaging.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace zelmor;
  static const ImagingSession imaging;
  if (size > UINT32_MAX) {
    return 0;
  }
  int32_t width = 0;
  int32_t height = 0;
  const std::optional<Bitmap> picture =
      DecodeIconEntry(data, static_cast<uint32_t>(size), width, height);
  if (!picture) {
    return 0;
  }
  fuzz::Check(width == picture->width() && height == picture->height() && width > 0 && height > 0,
              "the reported size is not the picture's");
  fuzz::Check(uint64_t{4} * static_cast<uint64_t>(width) * static_cast<uint64_t>(height) <=
                  kMaxDecodedImageBytes,
              "a decoded picture passes the imaging limit");
  // Read every pixel so that a picture shorter than it claims shows up.
  uint32_t sum = 0;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = picture->row(y);
    for (int32_t x = 0; x < 4 * width; ++x) {
      sum += row[x];
    }
  }
  volatile uint32_t sink = sum;
  (void)sink;
  return 0;
}
