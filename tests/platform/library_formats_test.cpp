// HEIC, AVIF and JPEG XL through LoadPictureFile: lossless fixtures come back
// exactly, deep samples are rounded to 8 bits, and content decides the format.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/imaging.h"
#include "tests/support/library_picture_writer.h"
#include "tests/support/picture_writer.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::MakeBitmap;
using testing::PixelAt;
using testing::TempDir;

// Odd sides and scattered colours, so a lost row, a swapped channel or a
// chroma shortcut shows.
uint32_t Scattered(int32_t x, int32_t y, bool translucent) {
  uint32_t h = static_cast<uint32_t>(x) * 0x9E3779B1u ^ static_cast<uint32_t>(y) * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  const uint32_t alpha = translucent ? (x % 3 == 0 ? 0xFF : x % 3 == 1 ? 0x80 : 0x01) : 0xFF;
  return alpha << 24 | (h & 0xFFFFFF);
}

struct LosslessCase {
  const char* format;
  bool translucent;
};

class LosslessLibraryFormatTest : public ::testing::TestWithParam<LosslessCase> {};

TEST_P(LosslessLibraryFormatTest, ComesBackExactly) {
  const LosslessCase& c = GetParam();
  if (std::string(c.format) == "jxl" && !testing::HaveTool("cjxl")) {
    GTEST_SKIP() << "cjxl is missing";
  }
  const ImagingSession session;
  TempDir dir;
  const Bitmap picture =
      MakeBitmap(33, 17, [&c](int32_t x, int32_t y) { return Scattered(x, y, c.translucent); });
  const std::string path = dir.File(std::string("picture.") + c.format);
  ASSERT_TRUE(testing::WritePicture(picture, path, c.format));
  const std::optional<Bitmap> decoded = LoadPictureFile(path);
  ASSERT_TRUE(decoded.has_value());
  ASSERT_EQ(decoded->width(), 33);
  ASSERT_EQ(decoded->height(), 17);
  for (int32_t y = 0; y < 17; ++y) {
    for (int32_t x = 0; x < 33; ++x) {
      ASSERT_EQ(PixelAt(*decoded, x, y), PixelAt(picture, x, y))
          << std::hex << "at " << std::dec << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, LosslessLibraryFormatTest,
                         ::testing::Values(LosslessCase{"heic", false}, LosslessCase{"heic", true},
                                           LosslessCase{"avif", false}, LosslessCase{"avif", true},
                                           LosslessCase{"jxl", false}, LosslessCase{"jxl", true}),
                         [](const auto& info) {
                           return std::string(info.param.format) +
                                  (info.param.translucent ? "_translucent" : "_opaque");
                         });

TEST(LibraryFormatTest, ContentDecidesNotTheName) {
  const ImagingSession session;
  TempDir dir;
  const Bitmap picture =
      MakeBitmap(8, 8, [](int32_t x, int32_t y) { return Scattered(x, y, false); });
  for (const char* format : {"heic", "avif"}) {
    const std::string path = dir.File(std::string("really_") + format + ".png");
    ASSERT_TRUE(testing::WritePicture(picture, path, format));
    const std::optional<Bitmap> decoded = LoadPictureFile(path);
    ASSERT_TRUE(decoded.has_value()) << format;
    EXPECT_EQ(PixelAt(*decoded, 5, 3), PixelAt(picture, 5, 3)) << format;
  }
}

// 16-bit samples, one per pixel and channel, across the whole range.
uint16_t Deep(int32_t x, int32_t y, int channel) {
  return static_cast<uint16_t>((x * 4 + y * 256 + channel) * 997 % 65536);
}

uint8_t Rounded(uint32_t value) {
  return static_cast<uint8_t>((value * 255 + 32767) / 65535);
}

// A 16-bit RGBA PNG of Deep's samples, fully opaque.
std::string WriteDeepPng(const TempDir& dir) {
  QImage image(64, 16, QImage::Format_RGBA64);
  for (int y = 0; y < 16; ++y) {
    auto* line = reinterpret_cast<uint16_t*>(image.scanLine(y));
    for (int x = 0; x < 64; ++x) {
      line[x * 4] = Deep(x, y, 0);
      line[x * 4 + 1] = Deep(x, y, 1);
      line[x * 4 + 2] = Deep(x, y, 2);
      line[x * 4 + 3] = 0xFFFF;
    }
  }
  const std::string path = dir.File("deep.png");
  EXPECT_TRUE(image.save(QString::fromStdString(path), "png"));
  return path;
}

// Worst difference between the decoded channels and the rounded 16-bit ones.
int WorstFromRounded(const Bitmap& picture) {
  int worst = 0;
  for (int32_t y = 0; y < 16; ++y) {
    for (int32_t x = 0; x < 64; ++x) {
      const uint32_t got = PixelAt(picture, x, y);
      for (int channel = 0; channel < 3; ++channel) {
        const int have = static_cast<int>((got >> (16 - 8 * channel)) & 0xFF);
        worst = std::max(worst, std::abs(have - Rounded(Deep(x, y, channel))));
      }
    }
  }
  return worst;
}

TEST(LibraryFormatTest, DeepSamplesAreRoundedToEightBits) {
  // The fixture tells rounding from truncation.
  bool differs = false;
  for (int32_t x = 0; x < 64; ++x) {
    differs = differs || Rounded(Deep(x, 0, 0)) != Deep(x, 0, 0) >> 8;
  }
  ASSERT_TRUE(differs);
  const ImagingSession session;
  TempDir dir;
  const std::string png = WriteDeepPng(dir);
  if (testing::HaveTool("cjxl")) {
    // Lossless JPEG XL keeps all 16 bits: rounding them must give exactly this.
    const std::string jxl = dir.File("deep.jxl");
    const std::string command =
        "cjxl -d 0 -e 1 --quiet '" + png + "' '" + jxl + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::optional<Bitmap> decoded = LoadPictureFile(jxl);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(WorstFromRounded(*decoded), 0) << "jxl";
  }
  if (testing::HaveTool("avifenc")) {
    // 12-bit AVIF: the encoder rounds 16 bits to 12 first, which may cost a
    // level once more rounded to 8.
    const std::string avif = dir.File("deep.avif");
    const std::string command =
        "avifenc -l -d 12 -s 10 '" + png + "' '" + avif + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::optional<Bitmap> decoded = LoadPictureFile(avif);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_LE(WorstFromRounded(*decoded), 1) << "avif";
  }
}

}  // namespace
}  // namespace zelmor
