// Arbitrary bytes as a JPEG XL file through libjxl, then the colour step LoadPictureFile
// applies to what it decodes.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "fuzz/fuzz_support.h"
#include "platform/colour_profile.h"
#include "platform/jxl_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace zelmor;
  std::optional<DecodedPicture> picture = DecodeJxl(std::span<const uint8_t>(data, size));
  if (picture) {
    ConvertPictureColourToSrgb(picture->pixels, picture->colour);
    fuzz::CheckDecodedPicture(picture->pixels);
  }
  return 0;
}
