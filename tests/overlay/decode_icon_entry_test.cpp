#include "overlay/decode_icon_entry.h"

#include <gtest/gtest.h>

#include <QImage>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/imaging.h"
#include "tests/overlay/png_fixtures.h"
#include "tests/support/ico_builder.h"

namespace zelmor {
namespace {

using testing::BitmapEntryBuilder;
using Bgra = std::array<uint8_t, 4>;

constexpr RGBQUAD kRed{0, 0, 255, 0};
constexpr RGBQUAD kGreen{0, 255, 0, 0};
constexpr RGBQUAD kBlue{255, 0, 0, 0};
constexpr RGBQUAD kWhite{255, 255, 255, 0};

Bgra PixelAt(const Bitmap& bitmap, int32_t x, int32_t y) {
  const uint8_t* p = bitmap.row(y) + 4 * x;
  return {p[0], p[1], p[2], p[3]};
}

Bgra Opaque(const RGBQUAD& quad) {
  return {quad.rgbBlue, quad.rgbGreen, quad.rgbRed, 255};
}

class DecodeIconEntryTest : public ::testing::Test {
 protected:
  std::optional<Bitmap> Decode(const std::vector<uint8_t>& block) {
    return DecodeIconEntry(block.data(), static_cast<uint32_t>(block.size()), width_, height_);
  }

  ImagingSession imaging_;
  int32_t width_ = -1;
  int32_t height_ = -1;
};

TEST_F(DecodeIconEntryTest, HeightIsHalfTheStoredHeightAndMustBePositive) {
  struct Case {
    int32_t storedHeight;
    std::optional<int32_t> height;
  };
  const Case cases[] = {
      {64, 32}, {65, 32}, {-64, std::nullopt}, {0, std::nullopt}, {1, std::nullopt}};
  for (const Case& c : cases) {
    SCOPED_TRACE("biHeight " + std::to_string(c.storedHeight));
    const auto block = BitmapEntryBuilder(32, 32, 24).StoredHeight(c.storedHeight).Build();
    const std::optional<Bitmap> bitmap = Decode(block);
    ASSERT_EQ(bitmap.has_value(), c.height.has_value());
    if (bitmap) {
      EXPECT_EQ(width_, 32);
      EXPECT_EQ(height_, *c.height);
      EXPECT_EQ(bitmap->width(), 32);
      EXPECT_EQ(bitmap->height(), *c.height);
    }
  }
}

TEST_F(DecodeIconEntryTest, RefusesBlocksItCannotDecode) {
  const auto valid = [] { return BitmapEntryBuilder(16, 16, 24).Build(); };
  struct Case {
    std::string name;
    std::function<std::vector<uint8_t>()> block;
  };
  const Case cases[] = {
      {"empty", [] { return std::vector<uint8_t>{}; }},
      {"39 bytes", [] { return std::vector<uint8_t>(39, 0); }},
      {"width 0",
       [&] {
         auto b = valid();
         b[4] = b[5] = b[6] = b[7] = 0;
         return b;
       }},
      {"width -16",
       [&] {
         auto b = valid();
         b[4] = 0xF0;
         b[5] = b[6] = b[7] = 0xFF;
         return b;
       }},
      // A depth of 0 gives rows of no length: nothing to decode.
      {"biBitCount 0",
       [&] {
         auto b = valid();
         b[14] = b[15] = 0;
         return b;
       }},
      {"XOR rows one byte short",
       [] {
         BitmapEntryBuilder builder(16, 16, 24);
         auto b = builder.Build();
         b.resize(builder.AndStart() - 1);
         return b;
       }},
      {"palette past the end",
       [] { return BitmapEntryBuilder(4, 4, 8).ClrUsed(0x40000000).Build(); }},
      // 16385 x 16384 is one row more than the imaging limit allows, though the
      // block holds every row.
      {"picture past the imaging limit",
       [] { return BitmapEntryBuilder(16385, 16384, 1).Build(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(Decode(c.block()).has_value());
  }
}

TEST_F(DecodeIconEntryTest, RowsAreStoredBottomUp) {
  BitmapEntryBuilder builder(2, 3, 24);
  auto block = builder.Build();
  // The first stored XOR pixel and the first stored mask bit are the bottom
  // left pixel's.
  block[builder.XorStart()] = 0x11;
  block[builder.XorStart() + 1] = 0x22;
  block[builder.XorStart() + 2] = 0x33;
  block[builder.AndStart()] = 0x40;
  const std::optional<Bitmap> bitmap = Decode(block);
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(PixelAt(*bitmap, 0, 2), (Bgra{0x11, 0x22, 0x33, 255}));
  EXPECT_EQ(PixelAt(*bitmap, 1, 2)[3], 0);
  EXPECT_EQ(PixelAt(*bitmap, 0, 0), (Bgra{0, 0, 0, 255}));
}

TEST_F(DecodeIconEntryTest, FourBitHighNibbleIsTheLeftPixel) {
  BitmapEntryBuilder builder(4, 1, 4);
  builder.Palette({kWhite, kRed, kGreen, kBlue});
  auto block = builder.Build();
  block[builder.XorRowOffset(0)] = 0x12;
  block[builder.XorRowOffset(0) + 1] = 0x30;
  const std::optional<Bitmap> bitmap = Decode(block);
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(PixelAt(*bitmap, 0, 0), Opaque(kRed));
  EXPECT_EQ(PixelAt(*bitmap, 1, 0), Opaque(kGreen));
  EXPECT_EQ(PixelAt(*bitmap, 2, 0), Opaque(kBlue));
  EXPECT_EQ(PixelAt(*bitmap, 3, 0), Opaque(kWhite));
}

TEST_F(DecodeIconEntryTest, OneBitUsesItsPaletteWithTheLeftmostPixelInBit7) {
  BitmapEntryBuilder builder(9, 1, 1);
  builder.Palette({kRed, kBlue}).ClrUsed(0);  // 0 stands for the full two entries
  auto block = builder.Build();
  block[builder.XorRowOffset(0)] = 0x40;
  block[builder.XorRowOffset(0) + 1] = 0x80;
  const std::optional<Bitmap> bitmap = Decode(block);
  ASSERT_TRUE(bitmap);
  for (int32_t x = 0; x < 9; ++x) {
    SCOPED_TRACE(x);
    EXPECT_EQ(PixelAt(*bitmap, x, 0), Opaque(x == 1 || x == 8 ? kBlue : kRed));
  }
}

TEST_F(DecodeIconEntryTest, EightBitIndexPastThePaletteIsBlack) {
  std::vector<RGBQUAD> palette(16, kGreen);
  palette[15] = kBlue;
  BitmapEntryBuilder builder(3, 1, 8);
  builder.Palette(palette).Pixel(0, 0, 15).Pixel(1, 0, 16).Pixel(2, 0, 200);
  const std::optional<Bitmap> bitmap = Decode(builder.Build());
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(PixelAt(*bitmap, 0, 0), Opaque(kBlue));
  EXPECT_EQ(PixelAt(*bitmap, 1, 0), (Bgra{0, 0, 0, 255}));
  EXPECT_EQ(PixelAt(*bitmap, 2, 0), (Bgra{0, 0, 0, 255}));
}

TEST_F(DecodeIconEntryTest, SixteenBitIsFiveFiveFiveWidenedToEightBits) {
  struct Case {
    uint16_t word;
    Bgra colour;
  };
  const Case cases[] = {
      {0x001F, {255, 0, 0, 255}},     {0x03E0, {0, 255, 0, 255}}, {0x7C00, {0, 0, 255, 255}},
      {0x7FFF, {255, 255, 255, 255}}, {0x8000, {0, 0, 0, 255}},   {0x0421, {8, 8, 8, 255}},
      {0x4210, {132, 132, 132, 255}},
  };
  BitmapEntryBuilder builder(static_cast<int32_t>(std::size(cases)), 1, 16);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    builder.Pixel(static_cast<int32_t>(i), 0, cases[i].word);
  }
  const std::optional<Bitmap> bitmap = Decode(builder.Build());
  ASSERT_TRUE(bitmap);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].word);
    EXPECT_EQ(PixelAt(*bitmap, static_cast<int32_t>(i), 0), cases[i].colour);
  }
}

TEST_F(DecodeIconEntryTest, UnreadDepthsComeOutBlack) {
  BitmapEntryBuilder builder(4, 1, 2);
  builder.Palette({kWhite, kWhite, kWhite, kWhite}).Pixel(0, 0, 1).Pixel(1, 0, 3);
  const std::optional<Bitmap> bitmap = Decode(builder.Build());
  ASSERT_TRUE(bitmap);
  for (int32_t x = 0; x < 4; ++x) {
    EXPECT_EQ(PixelAt(*bitmap, x, 0), (Bgra{0, 0, 0, 255}));
  }
}

TEST_F(DecodeIconEntryTest, ThirtyTwoBitAlphaIsKeptUnlessTheMaskBitIsSet) {
  BitmapEntryBuilder builder(3, 1, 32);
  builder.Pixel(0, 0, 0x80102030).Pixel(1, 0, 0x80102030).Transparent(1, 0);
  builder.Pixel(2, 0, 0x00102030);
  const std::optional<Bitmap> bitmap = Decode(builder.Build());
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(PixelAt(*bitmap, 0, 0), (Bgra{0x30, 0x20, 0x10, 128}));
  EXPECT_EQ(PixelAt(*bitmap, 1, 0), (Bgra{0x30, 0x20, 0x10, 0}));
  EXPECT_EQ(PixelAt(*bitmap, 2, 0), (Bgra{0x30, 0x20, 0x10, 0}));
}

class AndMaskAtEveryDepth : public DecodeIconEntryTest,
                            public ::testing::WithParamInterface<uint16_t> {};

TEST_P(AndMaskAtEveryDepth, SetBitsMakePixelsTransparent) {
  const uint16_t bits = GetParam();
  // Nine columns, so the mask runs into a second byte of each row.
  BitmapEntryBuilder builder(9, 3, bits);
  if (bits == 32) {
    for (int32_t y = 0; y < 3; ++y) {
      for (int32_t x = 0; x < 9; ++x) {
        builder.Pixel(x, y, 0xFF000000);
      }
    }
  }
  builder.Transparent(8, 1).Transparent(0, 2);
  const std::optional<Bitmap> bitmap = Decode(builder.Build());
  ASSERT_TRUE(bitmap);
  for (int32_t y = 0; y < 3; ++y) {
    for (int32_t x = 0; x < 9; ++x) {
      const bool transparent = (x == 8 && y == 1) || (x == 0 && y == 2);
      EXPECT_EQ(PixelAt(*bitmap, x, y)[3], transparent ? 0 : 255) << x << ", " << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, AndMaskAtEveryDepth,
                         ::testing::Values<uint16_t>(1, 2, 4, 8, 16, 24, 32));

TEST_F(DecodeIconEntryTest, MaskCutOffByTheEntryEndLeavesPixelsOpaque) {
  BitmapEntryBuilder builder(16, 16, 24);
  for (int32_t y = 0; y < 16; ++y) {
    for (int32_t x = 0; x < 16; ++x) {
      builder.Transparent(x, y);
    }
  }
  auto block = builder.Build();
  // Eight stored mask rows (the picture's bottom half) and the first byte of
  // the ninth (picture row 7) remain.
  block.resize(builder.AndStart() + 8 * builder.AndRowBytes() + 1);
  const std::optional<Bitmap> bitmap = Decode(block);
  ASSERT_TRUE(bitmap);
  for (int32_t y = 0; y < 16; ++y) {
    for (int32_t x = 0; x < 16; ++x) {
      const bool maskPresent = y >= 8 || (y == 7 && x < 8);
      EXPECT_EQ(PixelAt(*bitmap, x, y)[3], maskPresent ? 0 : 255) << x << ", " << y;
    }
  }
}

TEST_F(DecodeIconEntryTest, HeaderIsFortyBytesWhateverBiSizeSays) {
  BitmapEntryBuilder builder(16, 16, 4);
  builder.HeaderSize(124).Palette({kWhite, kRed}).Pixel(5, 3, 1);
  const std::optional<Bitmap> bitmap = Decode(builder.Build());
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(PixelAt(*bitmap, 5, 3), Opaque(kRed));
  EXPECT_EQ(PixelAt(*bitmap, 4, 3), Opaque(kWhite));
}

TEST_F(DecodeIconEntryTest, PngEntryDecodesAtItsOwnSize) {
  QImage image(3, 2, QImage::Format_ARGB32);
  image.fill(qRgba(10, 20, 30, 255));
  image.setPixel(2, 1, qRgba(200, 100, 50, 40));
  const std::optional<Bitmap> bitmap = Decode(testing::EncodePng(image));
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(width_, 3);
  EXPECT_EQ(height_, 2);
  EXPECT_EQ(PixelAt(*bitmap, 0, 0), (Bgra{30, 20, 10, 255}));
  EXPECT_EQ(PixelAt(*bitmap, 2, 1), (Bgra{50, 100, 200, 40}));
}

TEST_F(DecodeIconEntryTest, PngSignatureThatDoesNotDecodeIsNotReadAsBitmap) {
  // A sound 32-bit bitmap block whose biSize field happens to start like PNG.
  auto block = BitmapEntryBuilder(1, 1, 32).Pixel(0, 0, 0xFFFFFFFF).Build();
  ASSERT_TRUE(Decode(block));
  block[0] = 0x89;
  block[1] = 'P';
  block[2] = 'N';
  block[3] = 'G';
  EXPECT_FALSE(Decode(block));
}

TEST_F(DecodeIconEntryTest, PngPastTheImagingLimitIsRefused) {
  // The same kind of picture decodes when small; one row past 16384 x 16384
  // it is refused without any entry-level damage.
  EXPECT_TRUE(Decode(testing::BlackMonoPng(64, 64)));
  EXPECT_FALSE(Decode(testing::BlackMonoPng(16385, 16384)));
}

}  // namespace
}  // namespace zelmor
