// Arbitrary bytes as a TGA file through the decoder of our own: every header
// kind, depth and coding, and every cut.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "fuzz/fuzz_support.h"
#include "platform/imaging.h"
#include "platform/tga_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace zelmor;
  const std::optional<Bitmap> decoded = DecodeTga(data, size);
  if (!decoded) {
    return 0;
  }
  const Bitmap& picture = *decoded;
  fuzz::Check(picture.width() > 0 && picture.height() > 0 &&
                  uint64_t{4} * static_cast<uint64_t>(picture.width()) *
                          static_cast<uint64_t>(picture.height()) <=
                      kMaxDecodedImageBytes,
              "a decoded picture passes the imaging limit");
  // Read the pixels so that memory the decoder never wrote shows up: all of
  // them up to 4 Mi pixels, else the first and last rows. A few bytes can
  // declare a canvas of hundreds of MiB, legitimately; scanning it all under
  // coverage would be a timeout of this check, not of the decoder.
  const bool whole = int64_t{picture.width()} * picture.height() <= (int64_t{1} << 22);
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
  return 0;
}
