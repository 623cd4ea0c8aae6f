// A JPEG much larger than every size wanted is decoded at a reduced DCT scale:
// the largest of 1/2, 1/4 and 1/8 that keeps both sides at least twice the
// largest size. Its canvases keep the renderer's promises (a flat colour
// exact, fine detail an even grey, no fringe at edges) and differ from those
// of the full decode only by the reduction.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/imaging.h"
#include "platform/raster_picture.h"
#include "tests/support/picture_chunks.h"
#include "tests/support/picture_writer.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::MakeBitmap;
using testing::PixelAt;
using testing::TempDir;

class ScaledJpeg : public ::testing::Test {
 protected:
  std::string Jpeg(int32_t width, int32_t height,
                   const std::function<uint32_t(int32_t x, int32_t y)>& argb) {
    const std::string path = dir_.File("picture" + std::to_string(++count_) + ".jpg");
    EXPECT_TRUE(testing::WritePicture(MakeBitmap(width, height, argb), path, "jpg"));
    return path;
  }
  // The sides the crop rule is asked with: those of the pixels decoded.
  static std::pair<int32_t, int32_t> DecodedSides(const RasterPicture& picture,
                                                  int32_t largest) {
    std::pair<int32_t, int32_t> sides;
    const auto renderer = picture.Renderer(largest, [&sides](int32_t width, int32_t height) {
      sides = {width, height};
      return PictureRect{0, 0, width, height};
    });
    EXPECT_TRUE(renderer);
    return sides;
  }

  TempDir dir_;
  ImagingSession imaging_;
  int count_ = 0;
};

// Largest channel difference between two canvases, and the mean of all.
struct Difference {
  int worst = 0;
  double mean = 0;
};
Difference Compare(const Bitmap& a, const Bitmap& b) {
  Difference d;
  long total = 0;
  for (int32_t y = 0; y < a.height(); ++y) {
    for (int32_t x = 0; x < a.width() * 4; ++x) {
      const int diff = std::abs(a.row(y)[x] - b.row(y)[x]);
      d.worst = std::max(d.worst, diff);
      total += diff;
    }
  }
  d.mean = static_cast<double>(total) / (a.width() * a.height() * 4);
  return d;
}

TEST_F(ScaledJpeg, DecodesAtTheLargestScaleThatKeepsTwiceTheLargestSize) {
  const struct {
    int32_t width, height, largest, decodedWidth, decodedHeight;
  } cases[] = {
      {4096, 4096, 256, 512, 512},    // 1/8: exactly twice 256
      {4096, 4096, 300, 1024, 1024},  // 1/8 would leave 512 < 600
      {4100, 2050, 256, 1025, 513},   // the shorter side decides; sides round up
      {2047, 2047, 256, 512, 512},    // 1/4, rounded up, is just enough
      {2040, 2040, 256, 1020, 1020},  // 1/4 would leave 510
      {1000, 1000, 256, 1000, 1000},  // under four times: decoded whole
  };
  for (const auto& c : cases) {
    const std::optional<RasterPicture> picture =
        RasterPicture::Open(Jpeg(c.width, c.height, [](int32_t, int32_t) { return 0xFF336699u; }));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width(), c.width);
    EXPECT_EQ(picture->height(), c.height);
    EXPECT_EQ(DecodedSides(*picture, c.largest), std::make_pair(c.decodedWidth, c.decodedHeight))
        << c.width << "x" << c.height << " for " << c.largest;
  }
}

TEST_F(ScaledJpeg, FlatColourStaysTheColourOfTheFullDecode) {
  const std::string path = Jpeg(2048, 1536, [](int32_t, int32_t) { return 0xFF5AA0D2u; });
  const std::optional<Bitmap> full = LoadPictureFile(path);
  ASSERT_TRUE(full);
  const uint32_t colour = PixelAt(*full, 1000, 700);
  const auto renderer = RasterPicture::Open(path)->Renderer(256);
  ASSERT_TRUE(renderer);
  for (const int32_t size : {256, 48, 16}) {
    const Bitmap canvas = renderer->Render(size);
    int wrong = 0;
    for (int32_t y = 0; y < size; ++y) {
      for (int32_t x = 0; x < size; ++x) {
        wrong += PixelAt(canvas, x, y) != colour;
      }
    }
    EXPECT_EQ(wrong, 0) << size;
  }
}

TEST_F(ScaledJpeg, FineCheckerboardBecomesEvenGreyAsInTheFullDecode) {
  const std::string path = Jpeg(
      2048, 2048, [](int32_t x, int32_t y) { return (x + y) % 2 ? 0xFFFFFFFFu : 0xFF000000u; });
  const std::optional<Bitmap> full = LoadPictureFile(path);
  ASSERT_TRUE(full);
  const PictureRenderer expected(*full, 256);
  const auto renderer = RasterPicture::Open(path)->Renderer(256);
  ASSERT_TRUE(renderer);
  for (const int32_t size : {256, 64, 16}) {
    const Bitmap canvas = renderer->Render(size);
    int lowest = 255;
    int highest = 0;
    for (int32_t y = 0; y < size; ++y) {
      for (int32_t x = 0; x < size * 4; ++x) {
        const int value = canvas.row(y)[x];
        if (x % 4 != 3) {
          lowest = std::min(lowest, value);
          highest = std::max(highest, value);
        } else {
          EXPECT_EQ(value, 255);
        }
      }
    }
    EXPECT_LE(highest - lowest, 6) << size;
    EXPECT_LE(Compare(canvas, expected.Render(size)).worst, 4) << size;
  }
}

TEST_F(ScaledJpeg, SharpEdgeGetsNoFringeAndDiffersLittleFromTheFullDecode) {
  // White left of 700, black right of it: an edge between boxes of 1/8.
  const std::string path =
      Jpeg(2048, 2048, [](int32_t x, int32_t) { return x < 700 ? 0xFFFFFFFFu : 0xFF000000u; });
  const std::optional<Bitmap> full = LoadPictureFile(path);
  ASSERT_TRUE(full);
  const PictureRenderer expected(*full, 256);
  const auto renderer = RasterPicture::Open(path)->Renderer(256);
  ASSERT_TRUE(renderer);
  for (const int32_t size : {256, 32}) {
    const Bitmap canvas = renderer->Render(size);
    const Bitmap reference = expected.Render(size);
    const Difference d = Compare(canvas, reference);
    EXPECT_LE(d.mean, 1.0) << size;
    // Away from the edge both sides keep their colour.
    const int32_t edge = 700 * size / 2048;
    for (int32_t y = 0; y < size; ++y) {
      for (int32_t x = 0; x < size; ++x) {
        if (std::abs(x - edge) > std::max(2, size / 32)) {
          const uint32_t pixel = PixelAt(canvas, x, y);
          const int blue = static_cast<int>(pixel & 0xFF);
          EXPECT_TRUE(x < edge ? blue >= 250 : blue <= 5) << size << ": " << x << "," << y;
        }
      }
    }
  }
}

TEST_F(ScaledJpeg, IsTurnedByItsExifOrientation) {
  // Red above, blue below as stored; orientation 6 turns it a quarter
  // clockwise, so upright it is red on the right and blue on the left.
  const std::string stored = Jpeg(
      2048, 1024, [](int32_t, int32_t y) { return y < 512 ? 0xFFFF0000u : 0xFF0000FFu; });
  const std::vector<uint8_t> exif = [] {
    std::vector<uint8_t> payload = {'E', 'x', 'i', 'f', 0, 0};
    const std::vector<uint8_t> block = testing::ExifBlock(6, true);
    payload.insert(payload.end(), block.begin(), block.end());
    return payload;
  }();
  const std::string path = dir_.File("turned.jpg");
  testing::WriteBytes(path,
                      testing::InsertJpegSegment(testing::ReadBytes(stored), 0xE1, exif));
  const std::optional<RasterPicture> picture = RasterPicture::Open(path);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width(), 1024);
  EXPECT_EQ(picture->height(), 2048);
  EXPECT_EQ(DecodedSides(*picture, 64), std::make_pair(128, 256));
  const Bitmap canvas = picture->Renderer(64)->Render(64);
  EXPECT_GE(PixelAt(canvas, 60, 32) >> 16 & 0xFF, 250u) << "red on the right";
  EXPECT_GE(PixelAt(canvas, 3, 32) & 0xFF, 250u) << "blue on the left";
}

}  // namespace
}  // namespace zelmor
