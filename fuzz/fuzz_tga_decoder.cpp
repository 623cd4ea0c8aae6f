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
  fuzz::CheckDecodedPicture(*decoded, true);
  return 0;
}
