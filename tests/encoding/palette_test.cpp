#include "encoding/palette.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <ostream>
#include <random>
#include <stdexcept>
#include <vector>

namespace zelmor {
namespace {

struct Rgb {
  int red;
  int green;
  int blue;
};

TEST(Fixed16PaletteTest, HoldsTheVgaColoursAsBlueGreenRed) {
  const std::array<Rgb, 16> expected = {{{0, 0, 0},
                                         {128, 0, 0},
                                         {0, 128, 0},
                                         {128, 128, 0},
                                         {0, 0, 128},
                                         {128, 0, 128},
                                         {0, 128, 128},
                                         {192, 192, 192},
                                         {128, 128, 128},
                                         {255, 0, 0},
                                         {0, 255, 0},
                                         {255, 255, 0},
                                         {0, 0, 255},
                                         {255, 0, 255},
                                         {0, 255, 255},
                                         {255, 255, 255}}};
  const std::vector<RGBQUAD> palette = MakeFixed16Palette();
  ASSERT_EQ(palette.size(), 16u);
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(palette[i].rgbRed, expected[i].red);
    EXPECT_EQ(palette[i].rgbGreen, expected[i].green);
    EXPECT_EQ(palette[i].rgbBlue, expected[i].blue);
    EXPECT_EQ(palette[i].rgbReserved, 0);
  }
}

TEST(Rgb332PaletteTest, IndexBitsSelectRedGreenAndBlueLevels) {
  const std::array<int, 8> levels3 = {0, 36, 73, 109, 146, 182, 219, 255};
  const std::array<int, 4> levels2 = {0, 85, 170, 255};
  const std::vector<RGBQUAD> palette = MakeRgb332Palette();
  ASSERT_EQ(palette.size(), 256u);
  for (int i = 0; i < 256; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(palette[i].rgbRed, levels3[i >> 5]);
    EXPECT_EQ(palette[i].rgbGreen, levels3[(i >> 2) & 7]);
    EXPECT_EQ(palette[i].rgbBlue, levels2[i & 3]);
    EXPECT_EQ(palette[i].rgbReserved, 0);
  }
  EXPECT_EQ(palette[0xE0], (RGBQUAD{0, 0, 255, 0}));  // pure red
  EXPECT_EQ(palette[0x1C], (RGBQUAD{0, 255, 0, 0}));  // pure green
  EXPECT_EQ(palette[0x03], (RGBQUAD{255, 0, 0, 0}));  // pure blue
}

enum class PaletteKind { kFixed16, kRgb332 };

struct NearestCase {
  const char* name;
  PaletteKind kind;
  Rgb colour;
  int expected;
};

void PrintTo(const NearestCase& c, std::ostream* os) {
  *os << c.name;
}

class NearestIndexTest : public ::testing::TestWithParam<NearestCase> {};

TEST_P(NearestIndexTest, ExhaustiveAndFastLookupsAgreeOnTheExpectedIndex) {
  const NearestCase& c = GetParam();
  const auto red = static_cast<uint8_t>(c.colour.red);
  const auto green = static_cast<uint8_t>(c.colour.green);
  const auto blue = static_cast<uint8_t>(c.colour.blue);
  if (c.kind == PaletteKind::kFixed16) {
    EXPECT_EQ(NearestPaletteIndex(MakeFixed16Palette(), red, green, blue), c.expected);
    EXPECT_EQ(NearestFixed16Index(red, green, blue), c.expected);
  } else {
    EXPECT_EQ(NearestPaletteIndex(MakeRgb332Palette(), red, green, blue), c.expected);
    EXPECT_EQ(NearestRgb332Index(red, green, blue), c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NearestIndexTest,
    ::testing::Values(
        // Equal distances go to the lower index.
        NearestCase{"TieBlackAndMaroon", PaletteKind::kFixed16, {64, 0, 0}, 0},
        NearestCase{"TieSilverAndGrey", PaletteKind::kFixed16, {160, 160, 160}, 7},
        NearestCase{"TieOliveAndYellow", PaletteKind::kFixed16, {255, 128, 0}, 3},
        NearestCase{"Fixed16TransparentBlack", PaletteKind::kFixed16, {0, 0, 0}, 0},
        NearestCase{"Fixed16White", PaletteKind::kFixed16, {255, 255, 255}, 15},
        NearestCase{"TieRedLevels0And1", PaletteKind::kRgb332, {18, 0, 0}, 0},
        NearestCase{"PastTieRedLevel1", PaletteKind::kRgb332, {19, 0, 0}, 32},
        NearestCase{"MixedLevels", PaletteKind::kRgb332, {200, 100, 50}, 173},
        NearestCase{"Rgb332White", PaletteKind::kRgb332, {255, 255, 255}, 255},
        NearestCase{"Rgb332TransparentBlack", PaletteKind::kRgb332, {0, 0, 0}, 0}),
    [](const ::testing::TestParamInfo<NearestCase>& info) { return info.param.name; });

TEST(NearestPaletteIndexTest, EmptyPaletteGivesZero) {
  EXPECT_EQ(NearestPaletteIndex({}, 10, 20, 30), 0);
}

TEST(NearestPaletteIndexTest, ComponentOutsideByteRangeIsRejected) {
  const std::vector<RGBQUAD> palette = MakeFixed16Palette();
  const std::array<Rgb, 6> bad = {
      {{-1, 0, 0}, {0, -1, 0}, {0, 0, -1}, {256, 0, 0}, {0, 256, 0}, {0, 0, 2147483647}}};
  for (const Rgb& c : bad) {
    EXPECT_THROW(NearestPaletteIndex(palette, c.red, c.green, c.blue), std::invalid_argument)
        << c.red << "," << c.green << "," << c.blue;
  }
}

// The fast lookups must be indistinguishable from the exhaustive search.

TEST(NearestFixed16IndexTest, MatchesExhaustiveSearchForEveryColour) {
  const std::vector<RGBQUAD> palette = MakeFixed16Palette();
  int mismatches = 0;
  for (int red = 0; red < 256; ++red) {
    for (int green = 0; green < 256; ++green) {
      for (int blue = 0; blue < 256; ++blue) {
        const int fast = NearestFixed16Index(static_cast<uint8_t>(red), static_cast<uint8_t>(green),
                                             static_cast<uint8_t>(blue));
        const int slow = NearestPaletteIndex(palette, red, green, blue);
        if (fast != slow && ++mismatches <= 5) {
          ADD_FAILURE() << "(" << red << "," << green << "," << blue << "): fast " << fast
                        << ", exhaustive " << slow;
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

void ExpectRgb332Agrees(const std::vector<RGBQUAD>& palette, int red, int green, int blue,
                        int& mismatches) {
  const int fast = NearestRgb332Index(static_cast<uint8_t>(red), static_cast<uint8_t>(green),
                                      static_cast<uint8_t>(blue));
  const int slow = NearestPaletteIndex(palette, red, green, blue);
  if (fast != slow && ++mismatches <= 5) {
    ADD_FAILURE() << "(" << red << "," << green << "," << blue << "): fast " << fast
                  << ", exhaustive " << slow;
  }
}

TEST(NearestRgb332IndexTest, MatchesExhaustiveSearchForEveryValueOfEachChannel) {
  // Each channel runs through all 256 values while the other two take values
  // spread over their range, so every per-channel boundary and tie is crossed
  // in every combination of the other channels' levels.
  const std::vector<RGBQUAD> palette = MakeRgb332Palette();
  int mismatches = 0;
  for (int value = 0; value < 256; ++value) {
    for (int a = 0; a < 256; a += 17) {
      for (int b = 0; b < 256; b += 17) {
        ExpectRgb332Agrees(palette, value, a, b, mismatches);
        ExpectRgb332Agrees(palette, a, value, b, mismatches);
        ExpectRgb332Agrees(palette, a, b, value, mismatches);
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(NearestRgb332IndexTest, MatchesExhaustiveSearchOnAGridAndRandomColours) {
  const std::vector<RGBQUAD> palette = MakeRgb332Palette();
  int mismatches = 0;
  for (int red = 0; red < 256; red += 3) {
    for (int green = 0; green < 256; green += 3) {
      for (int blue = 0; blue < 256; blue += 3) {
        ExpectRgb332Agrees(palette, red, green, blue, mismatches);
      }
    }
  }
  std::mt19937 random(20240611);
  for (int n = 0; n < 200000; ++n) {
    const uint32_t bits = random();
    ExpectRgb332Agrees(palette, bits & 0xFF, (bits >> 8) & 0xFF, (bits >> 16) & 0xFF, mismatches);
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace zelmor
