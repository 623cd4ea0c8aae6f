// Arbitrary bytes as a BMP file through the decoder of our own: every header
// kind, depth and coding, and every cut.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "fuzz/fuzz_support.h"
#include "platform/bmp_decoder.h"
#include "platform/imaging.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace zelmor;
  const std::optional<DecodedPicture> decoded = DecodeBmp(data, size);
  if (!decoded) {
    return 0;
  }
  const Bitmap& picture = decoded->pixels;
  fuzz::Check(picture.width() > 0 && picture.height() > 0 &&
                  uint64_t{4} * static_cast<uint64_t>(picture.width()) *
                          static_cast<uint64_t>(picture.height()) <=
                      kMaxDecodedImageBytes,
              "a decoded picture passes the imaging limit");
  // Read every pixel so that memory the decoder never wrote shows up.
  uint32_t sum = 0;
  for (int32_t y = 0; y < picture.height(); ++y) {
    const uint8_t* row = picture.row(y);
    for (int32_t x = 0; x < 4 * picture.width(); ++x) {
      sum += row[x];
    }
  }
  volatile uint32_t sink = sum;
  (void)sink;
  return 0;
}
