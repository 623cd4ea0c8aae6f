// The adapters of the libraries opened on first use, compiled into this test
// with library names that exist nowhere (see CMakeLists.txt): pictures that
// decode everywhere else then fail as undecodable, colour that needs lcms2 is
// left as stored, and nothing crashes. Pictures Qt decodes are unaffected.
#include <gtest/gtest.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/avif_decoder.h"
#include "platform/colour_profile.h"
#include "platform/heif_decoder.h"
#include "platform/imaging.h"
#include "platform/jxl_decoder.h"
#include "platform/vector_picture.h"
#include "tests/support/library_picture_writer.h"
#include "tests/support/picture_writer.h"
#include "tests/support/svg_documents.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::MakeBitmap;
using testing::PixelAt;
using testing::TempDir;

Bitmap Colourful() {
  return MakeBitmap(5, 3, [](int32_t x, int32_t y) {
    return 0xFF000000u | static_cast<uint32_t>(x * 50) << 16 | static_cast<uint32_t>(y * 90) << 8 |
           0x40u;
  });
}

bool SamePixels(const Bitmap& a, const Bitmap& b) {
  for (int32_t y = 0; y < a.height(); ++y) {
    for (int32_t x = 0; x < a.width(); ++x) {
      if (PixelAt(a, x, y) != PixelAt(b, x, y)) {
        return false;
      }
    }
  }
  return true;
}

struct LibraryFormat {
  const char* format;
  std::optional<DecodedPicture> (*decode)(std::span<const uint8_t>);
};

TEST(MissingLibrary, LibraryFormatsFailAsUndecodable) {
  const LibraryFormat formats[] = {{"heic", DecodeHeif}, {"avif", DecodeAvif}, {"jxl", DecodeJxl}};
  TempDir dir;
  for (const LibraryFormat& f : formats) {
    SCOPED_TRACE(f.format);
    if (std::string(f.format) == "jxl" && !testing::HaveTool("cjxl")) {
      continue;  // no writer for JPEG XL here
    }
    const std::string path = dir.File(std::string("picture.") + f.format);
    ASSERT_TRUE(testing::WritePicture(Colourful(), path, f.format));
    const std::vector<uint8_t> bytes = testing::ReadBytes(path);
    EXPECT_FALSE(f.decode(bytes));
    EXPECT_FALSE(LoadPictureFile(path));
  }
}

TEST(MissingLibrary, SvgDocumentsDoNotLoad) {
  const std::string svg =
      testing::SvgDocument(R"(width="16" height="16")", R"(<rect width="16" height="16"/>)");
  EXPECT_FALSE(VectorPicture::LoadBytes(reinterpret_cast<const uint8_t*>(svg.data()), svg.size()));
  EXPECT_TRUE(HasVectorPictureExtension("icon.svg"));  // needs no library
}

TEST(MissingLibrary, ColourNeedingLcmsIsLeftAsStored) {
  const Bitmap stored = Colourful();
  Bitmap picture = Colourful();
  EXPECT_FALSE(ConvertCicpToSrgb(picture, CicpColour{9, 13}));  // BT.2020 primaries
  EXPECT_FALSE(ConvertPngColourToSrgb(picture, PngColourChunks{false, 100000, std::nullopt}));
  EXPECT_TRUE(SamePixels(picture, stored));
  // Colour that is sRGB already needs no conversion, so no library either.
  EXPECT_TRUE(ConvertCicpToSrgb(picture, CicpColour{1, 13}));
  EXPECT_TRUE(ConvertPngColourToSrgb(picture, PngColourChunks{true, std::nullopt, std::nullopt}));
  EXPECT_TRUE(SamePixels(picture, stored));
}

TEST(MissingLibrary, PicturesQtDecodesStillLoad) {
  TempDir dir;
  const std::string path = dir.File("picture.png");
  ASSERT_TRUE(testing::WritePicture(Colourful(), path, "png"));
  const std::optional<Bitmap> loaded = LoadPictureFile(path);
  ASSERT_TRUE(loaded);
  EXPECT_TRUE(SamePixels(*loaded, Colourful()));
}

}  // namespace
}  // namespace zelmor
