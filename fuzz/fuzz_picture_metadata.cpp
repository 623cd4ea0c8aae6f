// Arbitrary bytes as the container of a JPEG, PNG, WebP or TIFF file (and as a
// bare EXIF block): what is read beside the pixels, then applied to a small
// picture, so that fuzzed ICC profiles and PNG colour chunks reach lcms2.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz/fuzz_support.h"
#include "platform/colour_profile.h"
#include "platform/exif_orientation.h"
#include "platform/picture_metadata.h"
#include "platform/tiff_tags.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace zelmor;
  const std::span<const uint8_t> bytes(data, size);
  if (const auto orientation = ExifOrientation(bytes)) {
    fuzz::Check(*orientation >= 1 && *orientation <= 8, "an orientation out of range");
  }
  const PictureMetadata metadata = ReadPictureMetadata(bytes);
  fuzz::Check(metadata.orientation >= 1 && metadata.orientation <= 8,
              "an orientation out of range");
  fuzz::Check(metadata.colour.iccProfile.size() <= kMaxIccProfileBytes, "a profile over the limit");

  Bitmap picture(5, 3);
  for (int32_t y = 0; y < 3; ++y) {
    for (int32_t x = 0; x < 20; ++x) {
      picture.row(y)[x] = static_cast<uint8_t>(x * 13 + y * 71);
    }
  }
  const uint8_t alpha = picture.row(1)[7];
  picture = ApplyExifOrientation(std::move(picture), metadata.orientation);
  const bool turned = metadata.orientation >= 5;
  fuzz::Check(picture.width() == (turned ? 3 : 5) && picture.height() == (turned ? 5 : 3),
              "the turned picture has the wrong sides");
  ConvertPictureColourToSrgb(picture, metadata.colour);
  uint32_t alphaCount = 0;
  for (int32_t y = 0; y < picture.height(); ++y) {
    for (int32_t x = 0; x < picture.width(); ++x) {
      alphaCount += picture.row(y)[x * 4 + 3] == alpha;
    }
  }
  fuzz::Check(alphaCount >= 1, "colour conversion changed alpha");
  return 0;
}
