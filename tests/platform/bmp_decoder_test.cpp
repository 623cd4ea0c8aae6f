// The BMP decoder over bytes: every header kind and depth, bit fields of odd
// widths, run-length codes that skip pixels, palettes of the wrong length,
// cut files and the files it must refuse.
#include "platform/bmp_decoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/bmp_file.h"
#include "tests/support/picture_writer.h"

namespace zelmor {
namespace {

using testing::BmpSpec;
using testing::BuildBmp;
using testing::PackBmpRows;
using testing::PixelAt;

std::optional<DecodedPicture> Decode(const std::vector<uint8_t>& file) {
  return DecodeBmp(file.data(), file.size());
}

// Every pixel of `picture` against want(x, y), as 0xAARRGGBB.
void ExpectPixels(const Bitmap& picture, const std::function<uint32_t(int32_t, int32_t)>& want,
                  const std::string& label) {
  for (int32_t y = 0; y < picture.height(); ++y) {
    for (int32_t x = 0; x < picture.width(); ++x) {
      ASSERT_EQ(PixelAt(picture, x, y), want(x, y))
          << label << std::hex << " at " << std::dec << x << "," << y;
    }
  }
}

// ---- Header kinds and depths ----

constexpr int32_t kWidth = 7;
constexpr int32_t kHeight = 3;

// The value stored for pixel (x, y) at a depth, and the colour it stands for.
uint32_t StoredValue(uint16_t bits, int32_t x, int32_t y) {
  switch (bits) {
    case 16:  // 5-5-5, each channel all or nothing so the levels are exact
      return (x % 2 ? 0x7C00u : 0) | (y % 2 ? 0x03E0u : 0) | (x % 3 ? 0x001Fu : 0);
    case 24:
    case 32:  // the fourth byte is padding and must not show
      return 0x5A000000u | static_cast<uint32_t>(x * 30) << 16 |
             static_cast<uint32_t>(y * 70) << 8 | 0x11;
    default:
      return static_cast<uint32_t>(x + 2 * y) % (1u << bits);
  }
}

uint32_t PaletteColour(uint32_t index) {
  return (index * 40) << 16 | (255 - index * 9) << 8 | (index * 7 + 3);
}

uint32_t ShownColour(uint16_t bits, int32_t x, int32_t y) {
  const uint32_t v = StoredValue(bits, x, y);
  switch (bits) {
    case 16:
      return 0xFF000000u | (v & 0x7C00 ? 0xFF0000u : 0) | (v & 0x03E0 ? 0xFF00u : 0) |
             (v & 0x1F ? 0xFFu : 0);
    case 24:
    case 32:
      return 0xFF000000u | (v & 0xFFFFFF);
    default:
      return 0xFF000000u | PaletteColour(v);
  }
}

struct LayoutCase {
  uint32_t headerBytes;
  uint16_t bits;
  bool topDown;
};

void PrintTo(const LayoutCase& c, std::ostream* os) {
  *os << c.headerBytes << "-byte header, " << c.bits << " bits" << (c.topDown ? ", top-down" : "");
}

class BmpLayouts : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(BmpLayouts, DecodeToTheColoursStored) {
  const LayoutCase& c = GetParam();
  BmpSpec spec;
  spec.headerBytes = c.headerBytes;
  spec.width = kWidth;
  spec.height = c.topDown ? -kHeight : kHeight;
  spec.bitCount = c.bits;
  if (c.bits <= 8) {
    for (uint32_t i = 0; i < (1u << c.bits); ++i) {
      spec.palette.push_back(PaletteColour(i));
    }
  }
  std::vector<std::vector<uint32_t>> rows;
  for (int32_t r = 0; r < kHeight; ++r) {
    const int32_t y = c.topDown ? r : kHeight - 1 - r;
    std::vector<uint32_t>& row = rows.emplace_back();
    for (int32_t x = 0; x < kWidth; ++x) {
      row.push_back(StoredValue(c.bits, x, y));
    }
  }
  spec.pixels = PackBmpRows(rows, c.bits);
  const std::optional<DecodedPicture> picture = Decode(BuildBmp(spec));
  ASSERT_TRUE(picture.has_value());
  ASSERT_EQ(picture->pixels.width(), kWidth);
  ASSERT_EQ(picture->pixels.height(), kHeight);
  ExpectPixels(
      picture->pixels, [&](int32_t x, int32_t y) { return ShownColour(c.bits, x, y); }, "");
  EXPECT_TRUE(picture->colour.iccProfile.empty());
}

std::vector<LayoutCase> LayoutCases() {
  std::vector<LayoutCase> cases;
  for (const uint32_t header : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u}) {
    for (const uint16_t bits : {1, 2, 4, 8, 16, 24, 32}) {
      cases.push_back({header, bits, false});
      if (header != 12) {  // OS/2 1.x sides are unsigned
        cases.push_back({header, bits, true});
      }
    }
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(HeadersAndDepths, BmpLayouts, ::testing::ValuesIn(LayoutCases()));

// ---- Bit fields ----

struct FieldCase {
  const char* name;
  uint32_t headerBytes;
  uint16_t bits;
  uint32_t compression;  // 3 bit fields, 6 alpha bit fields, 0 none
  std::vector<uint32_t> masks;
  std::vector<uint32_t> stored;
  std::vector<uint32_t> want;  // 0xAARRGGBB
};

void PrintTo(const FieldCase& c, std::ostream* os) {
  *os << c.name;
}

class BmpBitFields : public ::testing::TestWithParam<FieldCase> {};

TEST_P(BmpBitFields, WidenEachChannelByRounding) {
  const FieldCase& c = GetParam();
  BmpSpec spec;
  spec.headerBytes = c.headerBytes;
  spec.width = static_cast<int32_t>(c.stored.size());
  spec.bitCount = c.bits;
  spec.compression = c.compression;
  spec.masks = c.masks;
  spec.pixels = PackBmpRows({c.stored}, c.bits);
  const std::optional<DecodedPicture> picture = Decode(BuildBmp(spec));
  ASSERT_TRUE(picture.has_value());
  for (std::size_t x = 0; x < c.want.size(); ++x) {
    EXPECT_EQ(PixelAt(picture->pixels, static_cast<int32_t>(x), 0), c.want[x])
        << std::hex << "stored " << c.stored[x];
  }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, BmpBitFields,
    ::testing::Values(
        // 32 of 63 green levels is 129.5 of 255: rounded up.
        FieldCase{"Rgb565",
                  40,
                  16,
                  3,
                  {0xF800, 0x07E0, 0x001F},
                  {0xF800, 0x0400, 0x001F},
                  {0xFFFF0000, 0xFF008200, 0xFF0000FF}},
        // Without fields 16 bits are 5-5-5: 16 of 31 is 131.6, so 132.
        FieldCase{"Plain555",
                  40,
                  16,
                  0,
                  {},
                  {0x7FFF, 0x0010, 0x8000},
                  {0xFFFFFFFF, 0xFF000084, 0xFF000000}},
        FieldCase{"Rgb11_11_10",
                  40,
                  32,
                  3,
                  {0xFFE00000, 0x001FFC00, 0x000003FF},
                  {0xFFE00000 | 1024u << 10 | 512u, 0x000003FF},
                  {0xFFFF8080, 0xFF0000FF}},
        FieldCase{"Rgb10_10_10_2InAV5Header",
                  124,
                  32,
                  3,
                  {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000},
                  {0x40000000 | 0x3FF00000 | 341u, 0xC00FFC00},
                  {0x55FF0055, 0xFF00FF00}},
        FieldCase{"Argb4444AfterAnInfoHeader",
                  40,
                  16,
                  6,
                  {0x0F00, 0x00F0, 0x000F, 0xF000},
                  {0x8F0F, 0x00F0},
                  {0x88FF00FF, 0x0000FF00}},
        FieldCase{"Argb1555InAV4Header",
                  108,
                  16,
                  3,
                  {0x7C00, 0x03E0, 0x001F, 0x8000},
                  {0x7C00, 0x83E0},
                  {0x00FF0000, 0xFF00FF00}},
        FieldCase{"AlphaInA56ByteHeader",
                  56,
                  32,
                  3,
                  {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000},
                  {0x80112233},
                  {0x80112233}},
        // A 52-byte header has no alpha mask: the top byte is padding.
        FieldCase{"NoAlphaInA52ByteHeader",
                  52,
                  32,
                  3,
                  {0x00FF0000, 0x0000FF00, 0x000000FF},
                  {0x80112233},
                  {0xFF112233}},
        // Firefox and Chromium show the fourth byte of a plain 32-bit pixel opaque.
        FieldCase{"Plain32IgnoresTheFourthByte",
                  124,
                  32,
                  0,
                  {},
                  {0x80112233, 0x00445566},
                  {0xFF112233, 0xFF445566}},
        FieldCase{"ZeroMaskGivesZero", 40, 16, 3, {0xF800, 0, 0x001F}, {0xFFFF}, {0xFFFF00FF}},
        // One-bit and 16-bit-wide channels.
        FieldCase{"OddWidths",
                  56,
                  32,
                  3,
                  {0x80000000, 0x7FFF8000, 0x00007FFF, 0},
                  {0x80000000u | 0x4000u << 15 | 0x7FFF},
                  {0xFFFF40FF}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Run-length pictures ----

constexpr uint32_t kRunPalette[] = {0x0A141E, 0xC86432, 0x30C060, 0x2020F0};

struct RunCase {
  const char* name;
  uint16_t bits;
  uint32_t compression;
  int32_t height;  // negative: top-down
  std::vector<uint8_t> codes;
  // The picture, 6 x 3, top row first: a palette index, '.' transparent,
  // or for RLE24 'x' for the run's colour 0x102030.
  std::vector<std::string> want;
};

void PrintTo(const RunCase& c, std::ostream* os) {
  *os << c.name;
}

class BmpRunLength : public ::testing::TestWithParam<RunCase> {};

TEST_P(BmpRunLength, DrawsTheRunsAndLeavesSkippedPixelsClear) {
  const RunCase& c = GetParam();
  BmpSpec spec;
  spec.width = 6;
  spec.height = c.height;
  spec.bitCount = c.bits;
  spec.compression = c.compression;
  if (c.bits <= 8) {
    spec.palette.assign(std::begin(kRunPalette), std::end(kRunPalette));
  }
  spec.pixels = c.codes;
  const std::optional<DecodedPicture> picture = Decode(BuildBmp(spec));
  ASSERT_TRUE(picture.has_value());
  ExpectPixels(
      picture->pixels,
      [&](int32_t x, int32_t y) -> uint32_t {
        const char cell = c.want[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
        if (cell == '.') {
          return 0;
        }
        if (cell == 'x') {
          return 0xFF102030;
        }
        return 0xFF000000 | kRunPalette[cell - '0'];
      },
      c.name);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, BmpRunLength,
    ::testing::Values(
        RunCase{"Rle8RunsAndEndOfLine",
                8,
                1,
                3,
                {2, 1, 3, 2, 0, 0, 6, 3, 0, 1},
                {"......", "333333", "11222."}},
        // An absolute run of 3 indices is padded to 4 bytes.
        RunCase{"Rle8AbsoluteOddLength",
                8,
                1,
                3,
                {0, 3, 1, 2, 3, 0, 1, 0, 0, 1},
                {"......", "......", "1230.."}},
        // 1 pixel, a jump 2 right and 1 up, 2 pixels, end of picture.
        RunCase{
            "Rle8Delta", 8, 1, 3, {1, 2, 0, 2, 2, 1, 2, 3, 0, 1}, {"......", "...33.", "2....."}},
        // Runs longer than the row are cut at its end.
        RunCase{"Rle8RunPastTheRowEnd",
                8,
                1,
                3,
                {9, 1, 0, 0, 2, 2, 0, 1},
                {"......", "22....", "111111"}},
        RunCase{"Rle8TopDown", 8, 1, -3, {3, 1, 0, 0, 2, 2, 0, 1}, {"111...", "22....", "......"}},
        // Runs alternate the two nibbles; absolute runs of 3 take 2 bytes, padded to 2.
        RunCase{"Rle4RunsAndAbsolute",
                4,
                2,
                3,
                {5, 0x12, 0, 0, 0, 3, 0x30, 0x10, 0, 1},
                {"......", "301...", "12121."}},
        RunCase{"Rle4CutCode", 4, 2, 3, {4, 0x21, 0}, {"......", "......", "2121.."}},
        // A run is a count and one colour; an absolute run of 3 colours takes
        // 9 bytes, padded to 10.
        RunCase{"Rle24RunAndAbsolute",
                24,
                4,
                3,
                {2,    0x30, 0x20, 0x10, 0,    0,    0,    3, 0x30, 0x20,
                 0x10, 0x30, 0x20, 0x10, 0x30, 0x20, 0x10, 0, 0,    1},
                {"......", "xxx...", "xx...."}},
        // Stops where the file does: the rest stays clear.
        RunCase{"Rle8CutAbsoluteRun", 8, 1, 3, {0, 5, 1, 2}, {"......", "......", "12...."}},
        // A jump far above the picture ends it.
        RunCase{"Rle8JumpOut",
                8,
                1,
                3,
                {1, 1, 0, 2, 0, 200, 4, 2, 0, 1},
                {"......", "......", "1....."}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Palettes ----

struct PaletteCase {
  const char* name;
  uint16_t bits;
  std::size_t entries;           // palette entries written
  uint32_t coloursUsed;          // biClrUsed
  std::optional<uint32_t> room;  // entries the pixel offset leaves room for
  std::vector<uint32_t> indices;
  std::vector<uint32_t> want;
};

void PrintTo(const PaletteCase& c, std::ostream* os) {
  *os << c.name;
}

class BmpPalettes : public ::testing::TestWithParam<PaletteCase> {};

TEST_P(BmpPalettes, IndicesPastThePaletteAreOpaqueBlack) {
  const PaletteCase& c = GetParam();
  BmpSpec spec;
  spec.width = static_cast<int32_t>(c.indices.size());
  spec.bitCount = c.bits;
  spec.coloursUsed = c.coloursUsed;
  for (uint32_t i = 0; i < c.entries; ++i) {
    spec.palette.push_back(0x010101u * (i + 1) % 0x1000000u);
  }
  spec.pixels = PackBmpRows({c.indices}, c.bits);
  std::vector<uint8_t> file = BuildBmp(spec);
  if (c.room) {
    // The pixels start after `room` entries; what lies between is moved up.
    const uint32_t pixelsAt = 14 + 40 + 4 * *c.room;
    const uint32_t stored = file[10] | file[11] << 8;
    file.erase(file.begin() + pixelsAt, file.begin() + stored);
    file[10] = static_cast<uint8_t>(pixelsAt);
    file[11] = static_cast<uint8_t>(pixelsAt >> 8);
  }
  const std::optional<DecodedPicture> picture = Decode(file);
  ASSERT_TRUE(picture.has_value());
  for (std::size_t x = 0; x < c.want.size(); ++x) {
    EXPECT_EQ(PixelAt(picture->pixels, static_cast<int32_t>(x), 0), c.want[x]) << x;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, BmpPalettes,
    ::testing::Values(
        PaletteCase{"ShortByColoursUsed",
                    8,
                    2,
                    2,
                    {},
                    {0, 1, 2, 255},
                    {0xFF010101, 0xFF020202, 0xFF000000, 0xFF000000}},
        PaletteCase{"ShortByThePixelOffset",
                    4,
                    16,
                    16,
                    3,
                    {0, 2, 3, 15},
                    {0xFF010101, 0xFF030303, 0xFF000000, 0xFF000000}},
        // Zero colours used means the whole 2^bits; 2 bits, 4 entries.
        PaletteCase{"TwoBitsFull",
                    2,
                    4,
                    0,
                    {},
                    {0, 1, 2, 3},
                    {0xFF010101, 0xFF020202, 0xFF030303, 0xFF040404}},
        // More entries than the depth can index: the pixels still start after all of them.
        PaletteCase{"LongerThanTheDepth", 1, 20, 20, {}, {1, 0}, {0xFF020202, 0xFF010101}},
        PaletteCase{"LongerThan256",
                    8,
                    300,
                    300,
                    {},
                    {255, 0},
                    {0xFF000000 | 0x010101u * 256, 0xFF010101}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Colour spaces ----

TEST(BmpColourSpace, AnEmbeddedProfileComesWithThePixels) {
  BmpSpec spec;
  spec.headerBytes = 124;
  spec.colourSpace = 0x4D424544;  // 'MBED'
  spec.profile = {'a', 'c', 's', 'p', 1, 2, 3, 4, 5};
  spec.pixels = PackBmpRows({{0x102030}}, 24);
  const std::optional<DecodedPicture> picture = Decode(BuildBmp(spec));
  ASSERT_TRUE(picture.has_value());
  EXPECT_EQ(picture->colour.iccProfile, spec.profile);
  EXPECT_EQ(PixelAt(picture->pixels, 0, 0), 0xFF102030u);

  // sRGB and the Windows colour space carry none; a profile off the end of the file is ignored.
  for (const uint32_t space : {0x73524742u, 0x57696E20u}) {
    spec.colourSpace = space;
    const std::optional<DecodedPicture> plain = Decode(BuildBmp(spec));
    ASSERT_TRUE(plain.has_value());
    EXPECT_TRUE(plain->colour.iccProfile.empty());
    EXPECT_FALSE(plain->calibrated.has_value());
  }
  spec.colourSpace = 0x4D424544;
  std::vector<uint8_t> cut = BuildBmp(spec);
  cut.resize(cut.size() - 2);
  const std::optional<DecodedPicture> cutProfile = Decode(cut);
  ASSERT_TRUE(cutProfile.has_value());
  EXPECT_TRUE(cutProfile->colour.iccProfile.empty());
}

TEST(BmpColourSpace, CalibratedEndpointsAndGammaAreGiven) {
  BmpSpec spec;
  spec.headerBytes = 108;
  spec.colourSpace = 0;  // LCS_CALIBRATED_RGB
  spec.pixels = PackBmpRows({{0x102030}}, 24);
  std::vector<uint8_t> file = BuildBmp(spec);
  const auto put = [&file](std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
      file[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
  };
  // Header fields from offset 60: nine 2.30 endpoints, then three 16.16 gammas.
  for (int i = 0; i < 9; ++i) {
    put(14 + 60 + 4 * i, static_cast<uint32_t>((i + 1) << 26));  // (i + 1) / 16
  }
  put(14 + 96, 0x00023333);  // 2.2
  put(14 + 100, 0x00010000);
  put(14 + 104, 0x00018000);
  const std::optional<DecodedPicture> picture = Decode(file);
  ASSERT_TRUE(picture.has_value());
  ASSERT_TRUE(picture->calibrated.has_value());
  EXPECT_DOUBLE_EQ(picture->calibrated->endpoints[0][0], 1.0 / 16);
  EXPECT_DOUBLE_EQ(picture->calibrated->endpoints[2][2], 9.0 / 16);
  EXPECT_NEAR(picture->calibrated->gamma[0], 2.2, 1e-4);
  EXPECT_DOUBLE_EQ(picture->calibrated->gamma[2], 1.5);

  // All-zero endpoints, as writers leave them when they mean nothing, are sRGB.
  const std::optional<DecodedPicture> zero = Decode(BuildBmp(spec));
  ASSERT_TRUE(zero.has_value());
  EXPECT_FALSE(zero->calibrated.has_value());
}

// ---- Cut files ----

TEST(BmpCutFile, KeepsWhatItHoldsAndClearsTheRest) {
  BmpSpec spec;
  spec.width = 3;
  spec.height = 3;
  spec.bitCount = 32;
  spec.pixels = PackBmpRows({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, 32);
  std::vector<uint8_t> file = BuildBmp(spec);
  // The bottom row whole and two pixels and a byte of the middle one.
  file.resize(file.size() - 12 - 3);
  const std::optional<DecodedPicture> picture = Decode(file);
  ASSERT_TRUE(picture.has_value());
  const uint32_t want[3][3] = {
      {0, 0, 0}, {0xFF000004, 0xFF000005, 0}, {0xFF000001, 0xFF000002, 0xFF000003}};
  ExpectPixels(
      picture->pixels, [&](int32_t x, int32_t y) { return want[y][x]; }, "cut");
}

struct RefusedCase {
  const char* name;
  std::function<std::vector<uint8_t>()> make;
};

void PrintTo(const RefusedCase& c, std::ostream* os) {
  *os << c.name;
}

class BmpRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(BmpRefused, GivesNothing) {
  const std::vector<uint8_t> file = GetParam().make();
  EXPECT_FALSE(DecodeBmp(file.data(), file.size()).has_value());
}

BmpSpec Small(uint16_t bits = 24, uint32_t compression = 0) {
  BmpSpec spec;
  spec.width = 4;
  spec.height = 2;
  spec.bitCount = bits;
  spec.compression = compression;
  spec.pixels.assign(64, 0x11);
  return spec;
}

std::vector<uint8_t> Changed(BmpSpec spec, const std::function<void(BmpSpec&)>& change) {
  change(spec);
  return BuildBmp(spec);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BmpRefused,
    ::testing::Values(
        RefusedCase{"Empty", [] { return std::vector<uint8_t>{}; }},
        RefusedCase{"CutInfoHeader",
                    [] {
                      std::vector<uint8_t> file = BuildBmp(Small());
                      file.resize(40);
                      return file;
                    }},
        RefusedCase{"CutMasks",
                    [] {
                      BmpSpec spec = Small(16, 3);
                      spec.masks = {0xF800, 0x07E0, 0x001F};
                      spec.pixels.clear();
                      std::vector<uint8_t> file = BuildBmp(spec);
                      file.resize(14 + 40 + 8);
                      return file;
                    }},
        RefusedCase{"CutPalette",
                    [] {
                      BmpSpec spec = Small(8);
                      spec.palette.assign(256, 0x808080);
                      std::vector<uint8_t> file = BuildBmp(spec);
                      file.resize(14 + 40 + 100);
                      return file;
                    }},
        RefusedCase{"LessThanOneRow",
                    [] {
                      std::vector<uint8_t> file = BuildBmp(Small());
                      file.resize(14 + 40 + 8);
                      return file;
                    }},
        RefusedCase{"PixelOffsetInsideTheHeader",
                    [] { return Changed(Small(), [](BmpSpec& s) { s.pixelsAt = 30; }); }},
        RefusedCase{"PixelOffsetPastTheEnd",
                    [] { return Changed(Small(), [](BmpSpec& s) { s.pixelsAt = 5000; }); }},
        RefusedCase{"ZeroWidth", [] { return Changed(Small(), [](BmpSpec& s) { s.width = 0; }); }},
        RefusedCase{"NegativeWidth",
                    [] { return Changed(Small(), [](BmpSpec& s) { s.width = -4; }); }},
        RefusedCase{"ZeroHeight",
                    [] { return Changed(Small(), [](BmpSpec& s) { s.height = 0; }); }},
        RefusedCase{"MostNegativeHeight",
                    [] { return Changed(Small(), [](BmpSpec& s) { s.height = INT32_MIN; }); }},
        RefusedCase{"OverTheLimit",
                    [] {
                      return Changed(Small(), [](BmpSpec& s) {
                        s.width = 16385;
                        s.height = 16384;
                      });
                    }},
        RefusedCase{"Depth0", [] { return BuildBmp(Small(0)); }},
        RefusedCase{"Depth3", [] { return BuildBmp(Small(3)); }},
        RefusedCase{"Depth64", [] { return BuildBmp(Small(64)); }},
        RefusedCase{"Jpeg", [] { return BuildBmp(Small(0, 4)); }},
        RefusedCase{"Png", [] { return BuildBmp(Small(0, 5)); }},
        RefusedCase{"BitFieldsAt24Bits", [] { return BuildBmp(Small(24, 3)); }},
        RefusedCase{"Rle8At4Bits", [] { return BuildBmp(Small(4, 1)); }},
        RefusedCase{"Os2Huffman",
                    [] { return Changed(Small(1, 3), [](BmpSpec& s) { s.headerBytes = 64; }); }},
        RefusedCase{"HeaderOf13Bytes",
                    [] { return Changed(Small(), [](BmpSpec& s) { s.headerBytes = 13; }); }},
        RefusedCase{"NotBm",
                    [] {
                      std::vector<uint8_t> file = BuildBmp(Small());
                      file[1] = 'A';
                      return file;
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelmor
