// Arbitrary bytes as a JPEG decoded at 1, 1/2, 1/4 or 1/8 of its size inside
// the inverse DCT: every header, cut and damage.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "fuzz/fuzz_support.h"
#include "platform/jpeg_scaled.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace zelmor;
  fuzz::ByteReader input(data, size);
  const int denominator = 1 << (input.Take() % 4);
  const std::span<const uint8_t> file = input.Rest();
  const std::optional<JpegFrame> frame = ReadJpegFrame(file);
  if (!frame) {
    return 0;
  }
  // A few bytes can declare 65535 x 65535; only pictures the check can read
  // in a moment are decoded.
  const int64_t width = (int64_t{frame->width} + denominator - 1) / denominator;
  const int64_t height = (int64_t{frame->height} + denominator - 1) / denominator;
  if (width * height > (int64_t{4} << 20)) {
    return 0;
  }
  if (const std::optional<Bitmap> picture = DecodeJpegScaled(file, denominator)) {
    fuzz::Check(picture->width() == width && picture->height() == height,
                "the decoded sides are not those of the scale");
    fuzz::CheckDecodedPicture(*picture);
  }
  return 0;
}
