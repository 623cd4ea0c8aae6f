// Depths, PNG entries, fit modes and merged sources, through the engine and
// read back with the project's entry decoder.
#include <gtest/gtest.h>

#include <cstring>

#include "encoding/ico_format.h"
#include "generate/fit_geometry.h"
#include "generate/generate_icon.h"
#include "generate/icon_sources.h"
#include "overlay/decode_icon_entry.h"
#include "platform/imaging.h"
#include "platform/line_random.h"
#include "tests/support/ico_builder.h"
#include "tests/support/message_recorder.h"
#include "tests/support/picture_writer.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::GetU16;
using testing::GetU32;
using testing::MakeBitmap;
using testing::MessageRecorder;
using testing::PixelAt;
using testing::ReadBytes;
using testing::RecordedMessage;
using testing::TempDir;

const LineOverlaySettings kNoLines{false, 0, 0, 255};

struct Entry {
  int width, height, colors, planes, bits;
  std::vector<uint8_t> block;
  bool png() const { return block.size() >= 4 && block[0] == 0x89 && block[1] == 'P'; }
};

std::vector<Entry> Entries(const std::vector<uint8_t>& file) {
  std::vector<Entry> entries;
  for (uint32_t i = 0; i < GetU16(file, 4); ++i) {
    const std::size_t e = 6 + 16 * i;
    const uint32_t bytes = GetU32(file, e + 8);
    const uint32_t offset = GetU32(file, e + 12);
    EXPECT_LE(uint64_t{offset} + bytes, file.size());
    entries.push_back({file[e] == 0 ? 256 : file[e], file[e + 1] == 0 ? 256 : file[e + 1],
                       file[e + 2], GetU16(file, e + 4), GetU16(file, e + 6),
                       std::vector<uint8_t>(file.begin() + offset, file.begin() + offset + bytes)});
  }
  return entries;
}

Bitmap Decoded(const Entry& entry) {
  const ImagingSession imaging;
  int32_t w = 0;
  int32_t h = 0;
  std::optional<Bitmap> picture =
      DecodeIconEntry(entry.block.data(), static_cast<uint32_t>(entry.block.size()), w, h);
  EXPECT_TRUE(picture);
  return picture ? std::move(*picture) : Bitmap(1, 1);
}

// The XOR rows of a 32-bit bitmap block, top-down, exactly as stored.
Bitmap StoredPixels(const Entry& entry) {
  const int32_t side = entry.width;
  EXPECT_EQ(entry.bits, 32);
  return MakeBitmap(side, side, [&](int32_t x, int32_t y) {
    const std::size_t at = 40 + (static_cast<std::size_t>(side - 1 - y) * side + x) * 4;
    return GetU32(entry.block, at);
  });
}

bool SamePixels(const Bitmap& a, const Bitmap& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  for (int32_t y = 0; y < a.height(); ++y) {
    if (std::memcmp(a.row(y), b.row(y), static_cast<std::size_t>(a.width()) * 4) != 0) {
      return false;
    }
  }
  return true;
}

// Colour noise with alpha from 0 to 255, so that nothing lines up by chance.
Bitmap Noise(int32_t w, int32_t h, uint32_t seed) {
  return MakeBitmap(w, h, [seed](int32_t x, int32_t y) {
    uint32_t v =
        (static_cast<uint32_t>(x) * 73856093u) ^ (static_cast<uint32_t>(y) * 19349663u) ^ seed;
    v ^= v >> 13;
    v *= 0x5bd1e995u;
    v ^= v >> 15;
    return v;
  });
}

class OutputChoicesTest : public ::testing::Test {
 protected:
  std::string Picture(const std::string& name, const Bitmap& picture) {
    const std::string path = dir.File(name);
    EXPECT_TRUE(testing::WritePicture(picture, path, "png"));
    return path;
  }
  std::vector<Entry> Run(std::vector<std::string> inputs, std::vector<int32_t> sizes,
                         IconOutputSettings settings, LineOverlaySettings lines = kNoLines) {
    const std::string output = dir.File("out.ico");
    EXPECT_TRUE(GenerateIconFile(std::move(inputs), output, lines, std::move(sizes), settings));
    EXPECT_EQ(recorder.messages(), std::vector<RecordedMessage>{});
    return Entries(ReadBytes(output));
  }

  TempDir dir;
  MessageRecorder recorder;
};

TEST_F(OutputChoicesTest, DefaultSettingsWriteWhatTheSingleDepthCallWrites) {
  const std::string input = Picture("noise.png", Noise(70, 50, 1));
  const std::string single = dir.File("single.ico");
  ASSERT_TRUE(GenerateIconFile(input, single, kNoLines, {64, 16}, 24));
  IconOutputSettings settings;
  settings.depths = {24};
  const std::string general = dir.File("general.ico");
  ASSERT_TRUE(
      GenerateIconFile(std::vector<std::string>{input}, general, kNoLines, {64, 16}, settings));
  EXPECT_EQ(ReadBytes(single), ReadBytes(general));
}

TEST_F(OutputChoicesTest, EachSizeAtEveryDepthHighestFirstFromOneCanvas) {
  const std::string input = Picture("noise.png", Noise(90, 90, 2));
  const LineOverlaySettings lines{true, 2, 5, 0x00FF00};
  IconOutputSettings one;
  LineRandom::Seed(7);
  const std::vector<Entry> only32 = Run({input}, {48, 16}, one, lines);

  IconOutputSettings several;
  several.depths = {8, 32, 4, 8};
  LineRandom::Seed(7);
  const std::vector<Entry> all = Run({input}, {48, 16}, several, lines);
  ASSERT_EQ(all.size(), 6u);
  const int expected[][2] = {{48, 32}, {48, 8}, {48, 4}, {16, 32}, {16, 8}, {16, 4}};
  for (std::size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(all[i].width, expected[i][0]);
    EXPECT_EQ(all[i].bits, expected[i][1]);
    EXPECT_EQ(all[i].colors, expected[i][1] == 4 ? 16 : 0);
  }
  // Lines are drawn once per size: the 32-bit entries take the same random
  // numbers as with one depth.
  EXPECT_EQ(all[0].block, only32[0].block);
  EXPECT_EQ(all[3].block, only32[1].block);
}

TEST_F(OutputChoicesTest, PngEntriesHoldExactlyTheBitmapEntrysPixels) {
  const std::string input = Picture("noise.png", Noise(300, 200, 3));
  IconOutputSettings bitmaps;
  bitmaps.depths = {32, 24};
  const std::vector<Entry> plain = Run({input}, {256, 48, 32}, bitmaps);
  IconOutputSettings png = bitmaps;
  png.pngMinSize = 48;
  const std::vector<Entry> packed = Run({input}, {256, 48, 32}, png);
  ASSERT_EQ(packed.size(), plain.size());
  for (std::size_t i = 0; i < packed.size(); ++i) {
    SCOPED_TRACE(i);
    const bool expectPng = plain[i].bits == 32 && plain[i].width >= 48;
    EXPECT_EQ(packed[i].png(), expectPng);
    EXPECT_EQ(packed[i].width, plain[i].width);
    EXPECT_EQ(packed[i].height, plain[i].height);
    EXPECT_EQ(packed[i].planes, 1);
    EXPECT_EQ(packed[i].bits, plain[i].bits);
    EXPECT_EQ(packed[i].colors, 0);
    if (expectPng) {
      EXPECT_LT(packed[i].block.size(), plain[i].block.size());
      EXPECT_TRUE(SamePixels(Decoded(packed[i]), StoredPixels(plain[i])));
    } else {
      EXPECT_EQ(packed[i].block, plain[i].block);
    }
  }
}

struct FitCase {
  const char* name;
  int32_t width, height, size;
  FitMode fit;
  // The rectangle of the square the picture covers; the rest is four zeros.
  int32_t x, y, w, h;
};

class FitTest : public OutputChoicesTest, public ::testing::WithParamInterface<FitCase> {};

TEST_P(FitTest, ThePictureFillsItsRectangleAndNothingElse) {
  const FitCase c = GetParam();
  const std::string input = Picture(
      "flat.png", MakeBitmap(c.width, c.height, [](int32_t, int32_t) { return 0xFF3366CCu; }));
  IconOutputSettings settings;
  settings.fit = c.fit;
  const std::vector<Entry> entries = Run({input}, {c.size}, settings);
  ASSERT_EQ(entries.size(), 1u);
  const Bitmap canvas = Decoded(entries[0]);
  for (int32_t y = 0; y < c.size; ++y) {
    for (int32_t x = 0; x < c.size; ++x) {
      const bool inside = x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h;
      ASSERT_EQ(PixelAt(canvas, x, y), inside ? 0xFF3366CCu : 0u) << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fit, FitTest,
    ::testing::Values(FitCase{"WideStretch", 90, 30, 32, FitMode::kStretch, 0, 0, 32, 32},
                      FitCase{"WideContain", 90, 30, 32, FitMode::kContain, 0, 10, 32, 11},
                      FitCase{"TallContain", 30, 90, 32, FitMode::kContain, 10, 0, 11, 32},
                      FitCase{"OddLeftoverGoesBelow", 64, 28, 16, FitMode::kContain, 0, 4, 16, 7},
                      FitCase{"ContainAtItsOwnSize", 48, 20, 48, FitMode::kContain, 0, 14, 48, 20},
                      FitCase{"WideCover", 90, 30, 32, FitMode::kCover, 0, 0, 32, 32},
                      FitCase{"TallCover", 30, 90, 16, FitMode::kCover, 0, 0, 16, 16},
                      FitCase{"SquareContain", 40, 40, 16, FitMode::kContain, 0, 0, 16, 16}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OutputChoicesTest, CoverKeepsTheCentredSquareAndContainKeepsItPixelForPixel) {
  // Three 30-pixel bands: red, green, blue.
  const std::string input =
      Picture("bands.png", MakeBitmap(90, 30, [](int32_t x, int32_t) {
                return x < 30 ? 0xFFFF0000u : x < 60 ? 0xFF00FF00u : 0xFF0000FFu;
              }));
  IconOutputSettings cover;
  cover.fit = FitMode::kCover;
  for (const Entry& entry : Run({input}, {30, 16}, cover)) {
    const Bitmap canvas = Decoded(entry);
    for (int32_t y = 0; y < canvas.height(); ++y)
      for (int32_t x = 0; x < canvas.width(); ++x) ASSERT_EQ(PixelAt(canvas, x, y), 0xFF00FF00u);
  }
  // 90 x 30 at 90 is the picture itself between bars.
  IconOutputSettings contain;
  contain.fit = FitMode::kContain;
  const Bitmap canvas = Decoded(Run({input}, {90}, contain)[0]);
  for (int32_t x = 0; x < 90; ++x) {
    EXPECT_EQ(PixelAt(canvas, x, 29), 0u);
    EXPECT_EQ(PixelAt(canvas, x, 30), x < 30 ? 0xFFFF0000u : x < 60 ? 0xFF00FF00u : 0xFF0000FFu);
    EXPECT_EQ(PixelAt(canvas, x, 60), 0u);
  }
}

TEST(FitGeometry, ContainedSizesRoundToTheNearestPixel) {
  struct Case {
    double w, h;
    int32_t size, cw, ch;
  } const cases[] = {{90, 30, 32, 32, 11}, {30, 90, 32, 11, 32}, {100, 1, 16, 16, 1},
                     {64, 30, 16, 16, 8},  {64, 28, 16, 16, 7},  {7, 7, 256, 256, 256},
                     {1.5, 1, 48, 48, 32}, {3, 2, 5, 5, 3}};
  for (const Case& c : cases) {
    EXPECT_EQ(ContainedSize(c.w, c.h, c.size), std::make_pair(c.cw, c.ch)) << c.w << "x" << c.h;
  }
  const SquareCrop wide = CentredSquare(91, 30);
  EXPECT_EQ(wide.x, 30);
  EXPECT_EQ(wide.y, 0);
  EXPECT_EQ(wide.side, 30);
  const SquareCrop tall = CentredSquare(20, 25);
  EXPECT_EQ(tall.x, 0);
  EXPECT_EQ(tall.y, 2);
  EXPECT_EQ(tall.side, 20);
}

TEST(PickSource, FollowsTheRulesInOrderAndTiesGoFirst) {
  const SourceShape small{false, 16, 16};
  const SourceShape other16{false, 16, 16};
  const SourceShape vector{true, 0, 0};
  const SourceShape large{false, 512, 512};
  const SourceShape medium{false, 300, 300};
  const SourceShape wide{false, 1000, 40};
  struct Case {
    std::vector<SourceShape> sources;
    int32_t size;
    std::size_t expected;
  } const cases[] = {
      {{vector, small, other16}, 16, 1},  // exact size beats the vector; first of equals
      {{small, vector}, 32, 1},           // then the vector
      {{large, small, medium}, 256, 2},   // then the smallest at least as large
      {{wide, small, large}, 48, 2},      // a picture short in one direction is not larger
      {{small, wide, large}, 600, 2},     // then the largest
      {{small, other16}, 32, 0},          // equally large: the first
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PickSource(c.sources, c.size), c.expected) << "size " << c.size;
  }
}

TEST_F(OutputChoicesTest, MergeTakesExactSizesAsTheyAreAndScalesTheRestFromTheMaster) {
  const Bitmap hand16 = Noise(16, 16, 4);
  const Bitmap hand32 = Noise(32, 32, 5);
  const std::string in16 = Picture("16.png", hand16);
  const std::string in32 = Picture("32.png", hand32);
  const std::string master = Picture("master.png", Noise(512, 512, 6));
  IconOutputSettings settings;
  const std::vector<Entry> merged = Run({in16, master, in32}, {256, 32, 24, 16}, settings);
  ASSERT_EQ(merged.size(), 4u);
  EXPECT_TRUE(SamePixels(StoredPixels(merged[1]), hand32));
  EXPECT_TRUE(SamePixels(StoredPixels(merged[3]), hand16));
  // 256 comes from the master and 24 from the smallest larger picture, each
  // as a conversion of that picture alone would give it.
  EXPECT_EQ(merged[0].block, Run({master}, {256}, settings)[0].block);
  EXPECT_EQ(merged[2].block, Run({in32}, {24}, settings)[0].block);
}

TEST_F(OutputChoicesTest, MergeOffersEveryEntryOfAnIcon) {
  const Bitmap hand16 = Noise(16, 16, 8);
  const std::string icon = dir.File("old.ico");
  testing::WriteBytes(icon, testing::IcoBuilder()
                                .Add(testing::EncodePng(hand16))
                                .Add(testing::EncodePng(Noise(64, 64, 9)))
                                .Build());
  const std::vector<Entry> merged = Run({icon}, {48, 16}, IconOutputSettings{});
  ASSERT_EQ(merged.size(), 2u);
  EXPECT_TRUE(SamePixels(StoredPixels(merged[1]), hand16));
}

TEST_F(OutputChoicesTest, AFailingInputFailsTheMergeUnderItsOwnName) {
  const std::string good = Picture("good.png", Noise(32, 32, 10));
  const std::string bad = dir.File("bad.png");
  testing::WriteBytes(bad, {'n', 'o', 't'});
  const std::string missing = dir.File("missing.png");
  struct Case {
    std::string failing;
    RecordedMessage message;
  } const cases[] = {
      {bad, {"Unsupported or damaged image file.", MessageIcon::kError}},
      {missing, {"File does not exist.", MessageIcon::kError}},
  };
  for (const Case& c : cases) {
    std::vector<std::pair<std::string, std::string>> seen;
    const ScopedMessageSink sink([&seen](const std::string& text, MessageIcon) {
      seen.emplace_back(MessageSubject(), text);
    });
    const std::string output = dir.File("merged.ico");
    EXPECT_FALSE(GenerateIconFile(std::vector<std::string>{good, c.failing}, output, kNoLines,
                                  {32, 16}, IconOutputSettings{}));
    EXPECT_EQ(seen,
              (std::vector<std::pair<std::string, std::string>>{{c.failing, c.message.text}}));
    EXPECT_FALSE(std::filesystem::exists(output));
  }
}

}  // namespace
}  // namespace zelmor
