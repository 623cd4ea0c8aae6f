// The TGA decoder over bytes: every image type at every depth from every
// origin corner, run-length packets across rows, colour maps that start
// past index 0, cut files and the headers it must refuse.
#include "platform/tga_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/picture_writer.h"
#include "tests/support/tga_file.h"

namespace zelmor {
namespace {

using testing::BuildTga;
using testing::PixelAt;
using testing::TgaRunLength;
using testing::TgaSpec;

std::optional<Bitmap> Decode(const std::vector<uint8_t>& file) {
  return DecodeTga(file.data(), file.size());
}

// A stored pixel and the colour it shows, 0xAARRGGBB.
struct Sample {
  std::vector<uint8_t> stored;
  uint32_t shown;
};

struct KindCase {
  const char* name;
  uint8_t type;  // without the run-length bit
  uint8_t pixelBits;
  uint8_t attributeBits;
  std::vector<Sample> samples;
  // For colour-mapped types.
  uint8_t mapEntryBits = 0;
  uint16_t mapFirst = 0;
  std::vector<uint8_t> map = {};
};

// 5-bit levels widen as v * 255 / 31 rounded down, as Pillow and ImageMagick do: 16 is 131.
const std::vector<KindCase>& Kinds() {
  static const std::vector<KindCase> kinds = {
      {"TrueColour24",
       2,
       24,
       0,
       {{{10, 20, 30}, 0xFF1E140A},
        {{0, 0, 255}, 0xFFFF0000},
        {{255, 255, 255}, 0xFFFFFFFF},
        {{1, 2, 3}, 0xFF030201}}},
      {"TrueColour32",
       2,
       32,
       8,
       {{{10, 20, 30, 0x80}, 0x801E140A},
        {{0, 0, 255, 0}, 0x00FF0000},
        {{255, 255, 255, 255}, 0xFFFFFFFF},
        {{1, 2, 3, 0x40}, 0x40030201}}},
      // The fourth byte is alpha even when the descriptor counts no attribute bits.
      {"TrueColour32NoAttributeBits",
       2,
       32,
       0,
       {{{10, 20, 30, 0x80}, 0x801E140A}, {{1, 2, 3, 0}, 0x00030201}}},
      {"TrueColour16WithAlphaBit",
       2,
       16,
       1,
       {{{0x00, 0x7C}, 0x00FF0000},
        {{0xE0, 0x83}, 0xFF00FF00},
        {{0x1F, 0x80}, 0xFF0000FF},
        {{0x00, 0x82}, 0xFF008300}}},
      // With no attribute bits the top bit means nothing.
      {"TrueColour16",
       2,
       16,
       0,
       {{{0x00, 0x7C}, 0xFFFF0000},
        {{0xE0, 0x83}, 0xFF00FF00},
        {{0x1F, 0x00}, 0xFF0000FF},
        {{0x00, 0x02}, 0xFF008300}}},
      {"TrueColour15",
       2,
       15,
       0,
       {{{0x00, 0x7C}, 0xFFFF0000}, {{0xE0, 0x83}, 0xFF00FF00}, {{0x00, 0x02}, 0xFF008300}}},
      {"Grey8",
       3,
       8,
       0,
       {{{0}, 0xFF000000}, {{0x80}, 0xFF808080}, {{0xFF}, 0xFFFFFFFF}, {{0x11}, 0xFF111111}}},
      {"GreyAndAlpha16",
       3,
       16,
       8,
       {{{0x80, 0x40}, 0x40808080},
        {{0xFF, 0xFF}, 0xFFFFFFFF},
        {{0, 0}, 0x00000000},
        {{0x11, 0x80}, 0x80111111}}},
      // The map starts at index 2: indices below it or past its end are black.
      {"MappedFrom24BitEntries",
       1,
       8,
       0,
       {{{2}, 0xFF1E140A},
        {{3}, 0xFFFF0000},
        {{4}, 0xFF030201},
        {{1}, 0xFF000000},
        {{5}, 0xFF000000}},
       24,
       2,
       {10, 20, 30, 0, 0, 255, 1, 2, 3}},
      {"MappedFrom32BitEntries",
       1,
       8,
       8,
       {{{0}, 0x801E140A}, {{1}, 0x00FF0000}, {{2}, 0xFF030201}},
       32,
       0,
       {10, 20, 30, 0x80, 0, 0, 255, 0, 1, 2, 3, 255}},
      // 16-bit map entries carry no alpha.
      {"MappedFrom16BitEntries",
       1,
       8,
       0,
       {{{0}, 0xFFFF0000}, {{1}, 0xFF00FF00}},
       16,
       0,
       {0x00, 0x7C, 0xE0, 0x83}},
      {"MappedBy16BitIndices",
       1,
       16,
       0,
       {{{0x01, 0x01}, 0xFF1E140A}, {{0x02, 0x01}, 0xFFFF0000}, {{0x00, 0x00}, 0xFF000000}},
       24,
       0x101,
       {10, 20, 30, 0, 0, 255}},
  };
  return kinds;
}

struct TgaCase {
  const KindCase* kind;
  bool runLength;
  uint8_t origin;  // descriptor bits 4 (right) and 5 (top)
};

void PrintTo(const TgaCase& c, std::ostream* os) {
  *os << c.kind->name << (c.runLength ? " run-length" : "") << " origin " << int{c.origin};
}

class TgaKinds : public ::testing::TestWithParam<TgaCase> {};

constexpr uint16_t kWidth = 5;
constexpr uint16_t kHeight = 3;

// Which sample pixel (x, y) shows: pairs along each row, shifted by one a
// row, so that equal pixels run on from the end of one row to the next.
std::size_t SampleAt(const KindCase& kind, int32_t x, int32_t y) {
  return static_cast<std::size_t>(x / 2 + y) % kind.samples.size();
}

TEST_P(TgaKinds, DecodeToTheColoursStored) {
  const TgaCase& c = GetParam();
  const KindCase& kind = *c.kind;
  TgaSpec spec;
  spec.type = static_cast<uint8_t>(kind.type | (c.runLength ? 8 : 0));
  spec.pixelBits = kind.pixelBits;
  spec.descriptor = static_cast<uint8_t>(kind.attributeBits | c.origin);
  spec.width = kWidth;
  spec.height = kHeight;
  spec.id = {'z', 'e', 'l'};
  spec.hasMap = !kind.map.empty();
  spec.mapEntryBits = kind.mapEntryBits;
  spec.mapFirst = kind.mapFirst;
  spec.map = kind.map;
  spec.footer = c.runLength;
  const bool right = (c.origin & 0x10) != 0;
  const bool top = (c.origin & 0x20) != 0;
  std::vector<uint8_t> raw;
  for (int32_t r = 0; r < kHeight; ++r) {
    for (int32_t col = 0; col < kWidth; ++col) {
      const int32_t x = right ? kWidth - 1 - col : col;
      const int32_t y = top ? r : kHeight - 1 - r;
      const std::vector<uint8_t>& stored = kind.samples[SampleAt(kind, x, y)].stored;
      raw.insert(raw.end(), stored.begin(), stored.end());
    }
  }
  const std::size_t pixelBytes = (kind.pixelBits + 7u) / 8u;
  spec.pixels = c.runLength ? TgaRunLength(raw, pixelBytes) : raw;
  const std::optional<Bitmap> picture = Decode(BuildTga(spec));
  ASSERT_TRUE(picture.has_value());
  ASSERT_EQ(picture->width(), kWidth);
  ASSERT_EQ(picture->height(), kHeight);
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      ASSERT_EQ(PixelAt(*picture, x, y), kind.samples[SampleAt(kind, x, y)].shown)
          << std::hex << "at " << std::dec << x << "," << y;
    }
  }
}

std::vector<TgaCase> TgaCases() {
  std::vector<TgaCase> cases;
  for (const KindCase& kind : Kinds()) {
    for (const bool runLength : {false, true}) {
      for (const uint8_t origin : {0x00, 0x10, 0x20, 0x30}) {
        cases.push_back({&kind, runLength, origin});
      }
    }
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(TypesDepthsOrigins, TgaKinds, ::testing::ValuesIn(TgaCases()),
                         [](const auto& info) {
                           const TgaCase& c = info.param;
                           return std::string(c.kind->name) + (c.runLength ? "Rle" : "") +
                                  "Origin" + std::to_string(c.origin >> 4);
                         });

// One run packet covers the end of the bottom row and the start of the next.
TEST(TgaRunLength, APacketRunsOnIntoTheNextRow) {
  TgaSpec spec;
  spec.type = 11;
  spec.pixelBits = 8;
  spec.width = 3;
  spec.height = 2;
  spec.pixels = {0x00, 0x10, 0x83, 0x20, 0x00, 0x30};  // raw 1, run of 4, raw 1
  const std::optional<Bitmap> picture = Decode(BuildTga(spec));
  ASSERT_TRUE(picture.has_value());
  const uint32_t want[2][3] = {{0xFF202020, 0xFF202020, 0xFF303030},
                               {0xFF101010, 0xFF202020, 0xFF202020}};
  for (int32_t y = 0; y < 2; ++y) {
    for (int32_t x = 0; x < 3; ++x) {
      EXPECT_EQ(PixelAt(*picture, x, y), want[y][x]) << x << "," << y;
    }
  }
}

// A cut file keeps the pixels it holds; the rest is clear.
TEST(TgaCutFile, KeepsWhatItHoldsAndClearsTheRest) {
  for (const bool runLength : {false, true}) {
    TgaSpec spec;
    spec.type = runLength ? 11 : 3;
    spec.pixelBits = 8;
    spec.descriptor = 0x20;
    spec.width = 4;
    spec.height = 3;
    const std::vector<uint8_t> raw = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    spec.pixels = runLength ? TgaRunLength(raw, 1) : raw;
    std::vector<uint8_t> file = BuildTga(spec);
    file.resize(file.size() - 6);  // the last 6 pixels, or the end of the raw packet
    const std::optional<Bitmap> picture = Decode(file);
    ASSERT_TRUE(picture.has_value()) << runLength;
    for (int32_t i = 0; i < 12; ++i) {
      const uint32_t grey = static_cast<uint32_t>(i + 1);
      const uint32_t want = i < 6 ? 0xFF000000 | grey * 0x010101 : 0;
      EXPECT_EQ(PixelAt(*picture, i % 4, i / 4), want) << runLength << " pixel " << i;
    }
  }
}

struct RefusedCase {
  const char* name;
  std::function<void(TgaSpec&)> spoil;
  std::size_t keepBytes = SIZE_MAX;  // where the file is cut
};

void PrintTo(const RefusedCase& c, std::ostream* os) {
  *os << c.name;
}

class TgaRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(TgaRefused, GivesNothing) {
  TgaSpec spec;
  spec.width = 4;
  spec.height = 2;
  spec.pixels.assign(4 * 2 * 3, 0x42);
  ASSERT_TRUE(Decode(BuildTga(spec)).has_value()) << "the file before it is spoilt";
  GetParam().spoil(spec);
  std::vector<uint8_t> file = BuildTga(spec);
  file.resize(std::min(file.size(), GetParam().keepBytes));
  EXPECT_FALSE(Decode(file).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Files, TgaRefused,
    ::testing::Values(RefusedCase{"CutHeader", [](TgaSpec&) {}, 17},
                      RefusedCase{"NoImageType", [](TgaSpec& s) { s.type = 0; }},
                      RefusedCase{"UnknownType", [](TgaSpec& s) { s.type = 32; }},
                      RefusedCase{"ZeroWidth", [](TgaSpec& s) { s.width = 0; }},
                      RefusedCase{"ZeroHeight", [](TgaSpec& s) { s.height = 0; }},
                      RefusedCase{"TrueColourAt8Bits", [](TgaSpec& s) { s.pixelBits = 8; }},
                      RefusedCase{"GreyAt24Bits", [](TgaSpec& s) { s.type = 3; }},
                      RefusedCase{"MappedWithoutAMap",
                                  [](TgaSpec& s) {
                                    s.type = 1;
                                    s.pixelBits = 8;
                                  }},
                      RefusedCase{"MapOf8BitEntries",
                                  [](TgaSpec& s) {
                                    s.type = 1;
                                    s.pixelBits = 8;
                                    s.hasMap = true;
                                    s.mapEntryBits = 8;
                                    s.map = {1, 2, 3};
                                  }},
                      RefusedCase{"CutMap",
                                  [](TgaSpec& s) {
                                    s.type = 1;
                                    s.pixelBits = 8;
                                    s.hasMap = true;
                                    s.map.assign(300, 7);
                                  },
                                  18 + 200},
                      RefusedCase{"NoPixels", [](TgaSpec& s) { s.pixels.clear(); }},
                      RefusedCase{"LessThanOneRow", [](TgaSpec& s) { s.pixels.resize(11); }},
                      RefusedCase{"OverTheLimit",
                                  [](TgaSpec& s) {
                                    s.width = 16385;
                                    s.height = 16384;
                                    s.type = 10;
                                  }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelmor
