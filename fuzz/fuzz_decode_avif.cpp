// Arbitrary bytes as a AVIF file through libavif, then the colour step LoadPictureFile
// applies to what it decodes.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "fuzz/fuzz_support.h"
#include "platform/avif_decoder.h"
#include "platform/colour_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace zelmor;
  std::optional<DecodedPicture> picture = DecodeAvif(std::span<const uint8_t>(data, size));
  if (picture) {
    ConvertPictureColourToSrgb(picture->pixels, picture->colour);
    fuzz::CheckDecodedPicture(picture->pixels);
  }
  return 0;
}
