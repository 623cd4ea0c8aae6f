// Arbitrary bytes as a PNG decoded row by row: the rows read one by one, then
// the file streamed into a renderer (whole or cropped) on the second thread,
// and taken whole, each result checked against the imaging limit.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/imaging.h"
#include "platform/png_rows.h"
#include "platform/raster_picture.h"

namespace {

// Larger pictures are legitimate but would make each run a timeout of the
// check, not of the decoder: only this many pixels are looked at.
constexpr int64_t kMostPixels = int64_t{4} << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace zelmor;
  fuzz::ByteReader input(data, size);
  const int32_t largest = 1 + input.Take() % 64;
  const bool cropped = (input.Take() & 1) != 0;
  const std::span<const uint8_t> file = input.Rest();

  if (const std::unique_ptr<PngRowReader> reader = PngRowReader::Open(file)) {
    fuzz::Check(reader->width() > 0 && reader->height() > 0, "a reader of an empty picture");
    std::vector<uint8_t> row(static_cast<std::size_t>(reader->width()) * 4);
    const int64_t rows = std::min<int64_t>(reader->height(), kMostPixels / reader->width() + 1);
    for (int64_t y = 0; y < rows && reader->ReadRow(row.data()); ++y) {
    }
  }

  static const ImagingSession imaging;
  const fuzz::DropMessages quiet;
  const std::string path = fuzz::ScratchFile("picture.png");
  fuzz::WriteWholeFile(path, file);
  const std::optional<RasterPicture> picture = RasterPicture::Open(path);
  if (!picture || int64_t{picture->width()} * picture->height() > kMostPixels) {
    return 0;
  }
  const CropRule band = [](int32_t width, int32_t height) {
    return PictureRect{width / 4, height / 3, width - width / 4, height - height / 3};
  };
  if (const auto renderer = picture->Renderer(largest, cropped ? band : CropRule{})) {
    fuzz::CheckDecodedPicture(renderer->Render(largest));
  }
  if (const Bitmap* whole = picture->Whole()) {
    fuzz::Check(whole->width() == picture->width() && whole->height() == picture->height(),
                "the whole picture is not of the size opened");
    fuzz::CheckDecodedPicture(*whole);
  }
  return 0;
}
