// 16-bit samples reach 8 bits as (v * 255 + 32767) / 65535, rounded and not
// truncated, for every one of the 65536 values, through PNG and through TIFF
// with the horizontal and the floating-point predictor.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/imaging.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::TempDir;

uint8_t Rounded(uint32_t v) {
  return static_cast<uint8_t>((v * 255 + 32767) / 65535);
}

// 256 x 256 pixels: red runs through every value, green backwards, blue in
// a scattered order.
uint32_t Red(int i) {
  return static_cast<uint32_t>(i);
}
uint32_t Green(int i) {
  return static_cast<uint32_t>(65535 - i);
}
uint32_t Blue(int i) {
  return static_cast<uint32_t>(i) * 7919 % 65536;
}

// Counts the channel values of `path` that are not rounded as they should be.
int WrongValues(const std::string& path) {
  const std::optional<Bitmap> picture = LoadPictureFile(path);
  if (!picture || picture->width() != 256 || picture->height() != 256) {
    return -1;
  }
  int wrong = 0;
  for (int i = 0; i < 65536; ++i) {
    const uint8_t* p = picture->row(i / 256) + 4 * (i % 256);
    wrong += p[2] != Rounded(Red(i));
    wrong += p[1] != Rounded(Green(i));
    wrong += p[0] != Rounded(Blue(i));
    wrong += p[3] != 255;
  }
  return wrong;
}

QImage DeepPicture() {
  QImage image(256, 256, QImage::Format_RGBX64);
  for (int i = 0; i < 65536; ++i) {
    auto* p = reinterpret_cast<uint16_t*>(image.scanLine(i / 256)) + 4 * (i % 256);
    p[0] = static_cast<uint16_t>(Red(i));
    p[1] = static_cast<uint16_t>(Green(i));
    p[2] = static_cast<uint16_t>(Blue(i));
    p[3] = 65535;
  }
  return image;
}

TEST(DeepSamples, SixteenBitPngRoundsEveryValue) {
  const ImagingSession session;
  TempDir dir;
  const std::string path = dir.File("deep.png");
  ASSERT_TRUE(DeepPicture().save(QString::fromStdString(path), "png"));
  EXPECT_EQ(WrongValues(path), 0);
}

// ImageMagick writes the TIFFs, with the predictors Qt does not.
TEST(DeepSamples, TiffPredictorsAndSixteenBitSamplesRoundEveryValue) {
  if (std::system("convert -version > /dev/null 2>&1") != 0) {
    GTEST_SKIP() << "ImageMagick convert is missing";
  }
  const ImagingSession session;
  TempDir dir;
  const std::string png = dir.File("deep.png");
  ASSERT_TRUE(DeepPicture().save(QString::fromStdString(png), "png"));
  const struct {
    const char* name;
    const char* options;
  } cases[] = {
      {"horizontal-zip.tif", "-depth 16 -define tiff:predictor=2 -compress zip"},
      {"horizontal-lzw.tif", "-depth 16 -define tiff:predictor=2 -compress lzw"},
      {"float.tif",
       "-define quantum:format=floating-point -depth 32 -define tiff:predictor=3 -compress zip"},
  };
  for (const auto& c : cases) {
    const std::string tif = dir.File(c.name);
    const std::string command =
        "convert '" + png + "' -alpha off " + c.options + " '" + tif + "' 2> /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_EQ(WrongValues(tif), 0) << c.name;
  }
}

}  // namespace
}  // namespace zelmor
