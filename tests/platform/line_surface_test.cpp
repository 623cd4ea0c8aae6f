#include "platform/line_surface.h"

#include <gtest/gtest.h>

#include "tests/support/picture_writer.h"

namespace zelmor {
namespace {

using testing::MakeBitmap;
using testing::PixelAt;

// A horizontal line from (0, 2) to (9, 2) across a 10 x 5 transparent bitmap.
Bitmap DrawRowTwo(PixelOffset offset, uint32_t argb) {
  Bitmap bitmap(10, 5);
  {
    const std::unique_ptr<LineSurface> surface = OpenLineSurface(bitmap, offset);
    EXPECT_NE(surface, nullptr);
    if (surface) {
      surface->DrawLine(0, 2, 9, 2, argb);
    }
  }
  return bitmap;
}

void ExpectRowUntouched(const Bitmap& bitmap, int32_t y) {
  for (int32_t x = 0; x < bitmap.width(); ++x) {
    EXPECT_EQ(PixelAt(bitmap, x, y), 0u) << x << "," << y;
  }
}

// With integer points on pixel centres, the line fills row 2 exactly.
TEST(LineSurfaceTest, DefaultOffsetPutsIntegerPointsOnPixelCentres) {
  const Bitmap bitmap = DrawRowTwo(PixelOffset::kDefault, 0xFF123456);
  for (const int32_t y : {0, 1, 3, 4}) {
    ExpectRowUntouched(bitmap, y);
  }
  for (int32_t x = 1; x <= 8; ++x) {
    EXPECT_EQ(PixelAt(bitmap, x, 2), 0xFF123456u) << x;
  }
  // Bytes in memory: blue, green, red, alpha.
  const uint8_t* p = bitmap.row(2) + 4 * 4;
  EXPECT_EQ(p[0], 0x56);
  EXPECT_EQ(p[1], 0x34);
  EXPECT_EQ(p[2], 0x12);
  EXPECT_EQ(p[3], 0xFF);
}

// With integer points on pixel corners, the same line runs along the border
// between rows 1 and 2 and half covers both. The colour stays the line's:
// alpha is straight, not premultiplied.
TEST(LineSurfaceTest, HighQualityOffsetPutsIntegerPointsOnPixelCorners) {
  const Bitmap bitmap = DrawRowTwo(PixelOffset::kHighQuality, 0xFFFF0000);
  for (const int32_t y : {0, 3, 4}) {
    ExpectRowUntouched(bitmap, y);
  }
  for (const int32_t y : {1, 2}) {
    for (int32_t x = 1; x <= 8; ++x) {
      const uint32_t pixel = PixelAt(bitmap, x, y);
      EXPECT_GT(pixel >> 24, 64u) << x << "," << y;
      EXPECT_LT(pixel >> 24, 192u) << x << "," << y;
      EXPECT_EQ(pixel & 0xFFFFFF, 0xFF0000u) << x << "," << y;
    }
  }
}

// A half-covered pixel of an opaque picture stays opaque, its colour between
// the picture's and the line's.
TEST(LineSurfaceTest, BlendsOverWhatIsThere) {
  Bitmap bitmap = MakeBitmap(10, 5, [](int32_t, int32_t) { return 0xFF0000FFu; });
  OpenLineSurface(bitmap, PixelOffset::kHighQuality)->DrawLine(0, 2, 9, 2, 0xFFFF0000);
  const uint32_t pixel = PixelAt(bitmap, 5, 1);
  EXPECT_EQ(pixel >> 24, 255u);
  EXPECT_GT((pixel >> 16) & 0xFF, 64u);
  EXPECT_GT(pixel & 0xFF, 64u);
  EXPECT_EQ(PixelAt(bitmap, 5, 0), 0xFF0000FFu);
}

TEST(LineSurfaceTest, NoSurfaceOnAnEmptyBitmap) {
  Bitmap empty;
  EXPECT_EQ(OpenLineSurface(empty, PixelOffset::kDefault), nullptr);
}

}  // namespace
}  // namespace zelmor
