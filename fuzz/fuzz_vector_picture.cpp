// Arbitrary bytes as an SVG or SVGZ document: the markup's work estimate, the
// gzip bound and librsvg's parser, then a render at a size the first byte picks.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "fuzz/fuzz_support.h"
#include "platform/vector_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace zelmor;
  fuzz::ByteReader reader(data, size);
  const int32_t side = 1 + reader.Take() % 64;
  const auto rest = reader.Rest();
  const std::optional<VectorPicture> picture = VectorPicture::LoadBytes(rest.data(), rest.size());
  if (!picture) {
    return 0;
  }
  fuzz::Check(picture->width() > 0 && picture->height() > 0, "a loaded document has no size");
  const std::optional<Bitmap> bitmap = picture->Render(side, side, -1.5, 0.5, side + 2.0, side);
  if (!bitmap) {
    return 0;
  }
  fuzz::Check(bitmap->width() == side && bitmap->height() == side, "the canvas is not as asked");
  for (int32_t y = 0; y < side; ++y) {
    const uint8_t* pixel = bitmap->row(y);
    for (int32_t x = 0; x < side; ++x, pixel += 4) {
      fuzz::Check(pixel[3] != 0 || (pixel[0] == 0 && pixel[1] == 0 && pixel[2] == 0),
                  "a clear pixel keeps colour bytes");
    }
  }
  return 0;
}
