#include "encoding/icon_image.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <ostream>
#include <random>
#include <stdexcept>
#include <vector>

#include "encoding/palette.h"
#include "tests/encoding/bgra_picture.h"

namespace zelmor {
namespace {

using test::BgraPicture;
using ::testing::ElementsAreArray;

constexpr int kDepths[] = {4, 8, 24, 32};

std::vector<uint8_t> StoredRow(const std::vector<uint8_t>& rows, uint32_t stride, int32_t r) {
  const auto begin = rows.begin() + static_cast<std::ptrdiff_t>(r) * stride;
  return std::vector<uint8_t>(begin, begin + stride);
}

BgraPicture RandomPicture(int32_t size, int32_t padding, uint32_t seed) {
  BgraPicture picture(size, padding);
  std::mt19937 random(seed);
  for (int32_t y = 0; y < size; ++y) {
    for (int32_t x = 0; x < size; ++x) {
      const uint32_t v = random();
      picture.Set(x, y, v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF, v >> 24);
    }
  }
  return picture;
}

struct StrideCase {
  int32_t size;
  uint32_t xor4, xor8, xor24, xor32, mask;
};

void PrintTo(const StrideCase& c, std::ostream* os) {
  *os << "size " << c.size;
}

class StrideTest : public ::testing::TestWithParam<StrideCase> {};

TEST_P(StrideTest, RowsArePaddedToWholeWordsAndBuffersHoldEveryRow) {
  const StrideCase& c = GetParam();
  const uint32_t xorStrides[] = {c.xor4, c.xor8, c.xor24, c.xor32};
  EXPECT_EQ(MaskStride(c.size), c.mask);
  BgraPicture picture(c.size);
  for (int i = 0; i < 4; ++i) {
    const int bits = kDepths[i];
    SCOPED_TRACE(bits);
    EXPECT_EQ(XorStride(c.size, bits), xorStrides[i]);
    const IconImageData image = picture.Encode(bits);
    EXPECT_EQ(image.size, c.size);
    EXPECT_EQ(image.palette.size(), bits == 4 ? 16u : (bits == 8 ? 256u : 0u));
    EXPECT_EQ(image.xorBitmap.size(), size_t{xorStrides[i]} * c.size);
    EXPECT_EQ(image.andMask.size(), size_t{c.mask} * c.size);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, StrideTest,
    ::testing::Values(StrideCase{16, 8, 16, 48, 64, 4}, StrideCase{24, 12, 24, 72, 96, 4},
                      StrideCase{32, 16, 32, 96, 128, 4}, StrideCase{48, 24, 48, 144, 192, 8},
                      StrideCase{64, 32, 64, 192, 256, 8}, StrideCase{96, 48, 96, 288, 384, 12},
                      StrideCase{128, 64, 128, 384, 512, 16},
                      StrideCase{256, 128, 256, 768, 1024, 32}, StrideCase{1, 4, 4, 4, 4, 4},
                      StrideCase{3, 4, 4, 12, 12, 4}, StrideCase{33, 20, 36, 100, 132, 8}));

struct DepthBytes {
  int bits;
  std::vector<uint8_t> topLeftRed;      // how opaque red starts the last stored row
  std::vector<uint8_t> bottomLeftBlue;  // how transparent blue starts the first
};

void PrintTo(const DepthBytes& c, std::ostream* os) {
  *os << c.bits << " bits";
}

class RowOrderTest : public ::testing::TestWithParam<DepthBytes> {};

TEST_P(RowOrderTest, TopSourceRowIsStoredLastAndBottomRowFirst) {
  const DepthBytes& c = GetParam();
  BgraPicture picture(16);
  picture.Fill(255, 255, 255, 255);
  picture.Set(0, 0, 255, 0, 0, 255);
  picture.Set(0, 15, 0, 0, 255, 0);
  const IconImageData image = picture.Encode(c.bits);
  const uint32_t stride = XorStride(16, c.bits);

  const std::vector<uint8_t> last = StoredRow(image.xorBitmap, stride, 15);
  const std::vector<uint8_t> first = StoredRow(image.xorBitmap, stride, 0);
  EXPECT_THAT(std::vector<uint8_t>(last.begin(), last.begin() + c.topLeftRed.size()),
              ElementsAreArray(c.topLeftRed));
  EXPECT_THAT(std::vector<uint8_t>(first.begin(), first.begin() + c.bottomLeftBlue.size()),
              ElementsAreArray(c.bottomLeftBlue));
  // Mask rows follow the same order: only the bottom-left pixel is transparent.
  EXPECT_EQ(image.andMask[0], 0x80);
  EXPECT_EQ(image.andMask[15 * 4], 0x00);
}

INSTANTIATE_TEST_SUITE_P(
    Depths, RowOrderTest,
    ::testing::Values(DepthBytes{32, {0x00, 0x00, 0xFF, 0xFF}, {0xFF, 0x00, 0x00, 0x00}},
                      DepthBytes{24, {0x00, 0x00, 0xFF}, {0xFF, 0x00, 0x00}},
                      DepthBytes{8, {0xE0}, {0x03}},
                      // Red is entry 9 and blue entry 12, each in the high nibble;
                      // the white neighbour (15) fills the low one.
                      DepthBytes{4, {0x9F}, {0xCF}}),
    [](const ::testing::TestParamInfo<DepthBytes>& info) {
      return "Bits" + std::to_string(info.param.bits);
    });

TEST(EncodeIconImageTest, AlphaBelow128IsTransparentAtEveryDepth) {
  // One 8-pixel row of alphas around the threshold.
  const uint8_t alphas[8] = {0, 1, 126, 127, 128, 129, 254, 255};
  BgraPicture picture(8);
  for (int32_t x = 0; x < 8; ++x) picture.Set(x, 0, 10, 20, 30, alphas[x]);
  for (int bits : kDepths) {
    SCOPED_TRACE(bits);
    const IconImageData image = picture.Encode(bits);
    EXPECT_EQ(image.andMask[7 * 4], 0xF0);  // top row is stored last
    for (int r = 0; r < 7; ++r) EXPECT_EQ(image.andMask[r * 4], 0x00) << "row " << r;
  }
  // At 32 bits the alpha byte stays beside the mask.
  const IconImageData image = picture.Encode(32);
  for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(image.xorBitmap[7 * 32 + 4 * x + 3], alphas[x]);
}

struct MaskRowCase {
  int32_t size;
  std::vector<uint8_t> row;
};

void PrintTo(const MaskRowCase& c, std::ostream* os) {
  *os << "size " << c.size;
}

class MaskPaddingTest : public ::testing::TestWithParam<MaskRowCase> {};

TEST_P(MaskPaddingTest, SpareBitsStayClearWhenEveryPixelIsTransparent) {
  const MaskRowCase& c = GetParam();
  BgraPicture picture(c.size);
  picture.Fill(0, 0, 0, 0);
  const IconImageData image = picture.Encode(32);
  for (int32_t r = 0; r < c.size; ++r) {
    EXPECT_THAT(StoredRow(image.andMask, MaskStride(c.size), r), ElementsAreArray(c.row))
        << "row " << r;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, MaskPaddingTest,
    ::testing::Values(MaskRowCase{16, {0xFF, 0xFF, 0x00, 0x00}},
                      MaskRowCase{24, {0xFF, 0xFF, 0xFF, 0x00}},
                      MaskRowCase{48, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
                      MaskRowCase{5, {0xF8, 0x00, 0x00, 0x00}}));

struct PaddedRowCase {
  int bits;
  std::vector<uint8_t> row;
};

void PrintTo(const PaddedRowCase& c, std::ostream* os) {
  *os << c.bits << " bits";
}

class XorPaddingTest : public ::testing::TestWithParam<PaddedRowCase> {};

TEST_P(XorPaddingTest, FiveWhitePixelsLeaveRowPaddingZero) {
  // The source rows carry marker bytes past their pixels; none may leak.
  BgraPicture picture(5, 12, 0xA5);
  picture.Fill(255, 255, 255, 255);
  const IconImageData image = picture.Encode(GetParam().bits);
  for (int32_t r = 0; r < 5; ++r) {
    EXPECT_THAT(StoredRow(image.xorBitmap, XorStride(5, GetParam().bits), r),
                ElementsAreArray(GetParam().row))
        << "row " << r;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Depths, XorPaddingTest,
    ::testing::Values(PaddedRowCase{32, std::vector<uint8_t>(20, 0xFF)},
                      PaddedRowCase{24,
                                    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}},
                      PaddedRowCase{8, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00}},
                      // An odd last pixel keeps the low nibble of its byte clear.
                      PaddedRowCase{4, {0xFF, 0xFF, 0xF0, 0x00}}),
    [](const ::testing::TestParamInfo<PaddedRowCase>& info) {
      return "Bits" + std::to_string(info.param.bits);
    });

TEST(EncodeIconImageTest, FourBitRowPacksLeftPixelIntoHighNibble) {
  const std::vector<RGBQUAD> palette = MakeFixed16Palette();
  BgraPicture picture(16);
  for (int32_t x = 0; x < 16; ++x) {
    const RGBQUAD& c = palette[x];
    picture.Set(x, 15, c.rgbRed, c.rgbGreen, c.rgbBlue);  // bottom row: stored first
  }
  const IconImageData image = picture.Encode(4);
  EXPECT_THAT(StoredRow(image.xorBitmap, 8, 0),
              ElementsAreArray({0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}));
}

TEST(EncodeIconImageTest, PaletteIndicesEqualExhaustiveSearchWhateverTheAlpha) {
  // Random colours with random alpha, plus every tie colour and a fully
  // transparent black pixel, which must be matched by its colour alone.
  BgraPicture picture = RandomPicture(64, 0, 7);
  picture.Set(0, 0, 64, 0, 0, 0);
  picture.Set(1, 0, 160, 160, 160, 0);
  picture.Set(2, 0, 255, 128, 0, 255);
  picture.Set(3, 0, 18, 0, 0, 255);
  picture.Set(4, 0, 19, 0, 0, 0);
  picture.Set(5, 0, 0, 0, 0, 0);
  for (int bits : {4, 8}) {
    SCOPED_TRACE(bits);
    const IconImageData image = picture.Encode(bits);
    const uint32_t stride = XorStride(64, bits);
    int mismatches = 0;
    for (int32_t y = 0; y < 64; ++y) {
      for (int32_t x = 0; x < 64; ++x) {
        const uint8_t* p = picture.Pixel(x, y);
        const int expected = NearestPaletteIndex(image.palette, p[2], p[1], p[0]);
        const uint8_t byte = image.xorBitmap[(63 - y) * stride + (bits == 8 ? x : x / 2)];
        const int stored = bits == 8 ? byte : ((x & 1) == 0 ? byte >> 4 : byte & 0x0F);
        if (stored != expected && ++mismatches <= 5) {
          ADD_FAILURE() << "pixel " << x << "," << y << ": " << stored << " != " << expected;
        }
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
}

TEST(EncodeIconImageTest, TrueColourRowsCarrySourceBytesBottomUp) {
  const BgraPicture picture = RandomPicture(20, 0, 11);
  const IconImageData image32 = picture.Encode(32);
  const IconImageData image24 = picture.Encode(24);
  for (int32_t y = 0; y < 20; ++y) {
    const int32_t r = 19 - y;
    for (int32_t x = 0; x < 20; ++x) {
      const uint8_t* p = picture.Pixel(x, y);
      const uint8_t* at32 = &image32.xorBitmap[r * 80 + 4 * x];
      const uint8_t* at24 = &image24.xorBitmap[r * 60 + 3 * x];
      ASSERT_THAT(std::vector<uint8_t>(at32, at32 + 4), ElementsAreArray(p, 4)) << x << "," << y;
      ASSERT_THAT(std::vector<uint8_t>(at24, at24 + 3), ElementsAreArray(p, 3)) << x << "," << y;
    }
  }
}

TEST(EncodeIconImageTest, WideStrideGivesTheSameImageAsATightOne) {
  const BgraPicture tight = RandomPicture(17, 0, 3);
  const BgraPicture wide = RandomPicture(17, 44, 3);
  ASSERT_GT(wide.stride(), 4 * 17);
  for (int bits : kDepths) {
    SCOPED_TRACE(bits);
    const IconImageData a = tight.Encode(bits);
    const IconImageData b = wide.Encode(bits);
    EXPECT_EQ(a.palette, b.palette);
    EXPECT_EQ(a.xorBitmap, b.xorBitmap);
    EXPECT_EQ(a.andMask, b.andMask);
  }
}

struct BadArguments {
  const char* name;
  bool nullPixels;
  int32_t size;
  int32_t stride;
  int bits;
};

void PrintTo(const BadArguments& c, std::ostream* os) {
  *os << c.name;
}

class EncodeIconImageRejectsTest : public ::testing::TestWithParam<BadArguments> {};

TEST_P(EncodeIconImageRejectsTest, ThrowsInvalidArgumentWithoutReadingPixels) {
  // A buffer far too small for the claimed size: any read past it would be
  // undefined, so the arguments must be refused first.
  const std::vector<uint8_t> pixels(64, 0);
  const BadArguments& c = GetParam();
  EXPECT_THROW(EncodeIconImage(c.nullPixels ? nullptr : pixels.data(), c.size, c.stride, c.bits),
               std::invalid_argument);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EncodeIconImageRejectsTest,
    ::testing::Values(
        BadArguments{"NullPixels", true, 4, 16, 32}, BadArguments{"DepthZero", false, 2, 8, 0},
        BadArguments{"DepthOne", false, 2, 8, 1}, BadArguments{"DepthSixteen", false, 2, 8, 16},
        BadArguments{"DepthNegative", false, 2, 8, -4},
        BadArguments{"DepthThirtyThree", false, 2, 8, 33},
        BadArguments{"SizeZero", false, 0, 8, 32}, BadArguments{"SizeNegative", false, -1, 8, 32},
        BadArguments{"SizeMinimum", false, INT32_MIN, 8, 32},
        BadArguments{"StrideOneShort", false, 4, 15, 32},
        BadArguments{"StrideZero", false, 4, 0, 8},
        BadArguments{"StrideNegative", false, 4, -16, 24},
        // Row lengths fine, but the block would pass 4 GiB.
        BadArguments{"BlockPast4GiB", false, 40000, 160000, 32},
        BadArguments{"SizeTimesBitsOverflow", false, 536870911, INT32_MAX, 32}),
    [](const ::testing::TestParamInfo<BadArguments>& info) { return info.param.name; });

TEST(XorStrideTest, RejectsArgumentsItCannotCount) {
  EXPECT_THROW(XorStride(-1, 32), std::invalid_argument);
  EXPECT_THROW(XorStride(16, 0), std::invalid_argument);
  EXPECT_THROW(XorStride(16, 33), std::invalid_argument);
  EXPECT_THROW(XorStride(INT32_MAX, 16), std::invalid_argument);  // exactly 4 GiB per row
  EXPECT_EQ(XorStride(INT32_MAX, 15), 4026531840u);
  EXPECT_THROW(MaskStride(-5), std::invalid_argument);
}

}  // namespace
}  // namespace zelmor
