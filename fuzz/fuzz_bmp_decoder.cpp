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
  fuzz::CheckDecodedPicture(decoded->pixels, true);
  return 0;
}
