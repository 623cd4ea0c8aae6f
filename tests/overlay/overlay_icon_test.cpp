#include "overlay/overlay_icon.h"

#include <gtest/gtest.h>

#include <QImage>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/line_random.h"
#include "tests/overlay/png_fixtures.h"
#include "tests/overlay/written_ico.h"
#include "tests/support/ico_builder.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::BitmapEntryBuilder;
using testing::IcoBuilder;
using testing::MessageRecorder;
using testing::RecordedMessage;
using testing::TempDir;
using testing::WrittenEntry;
using testing::WrittenIco;
using Bgra = std::array<uint8_t, 4>;

constexpr COLORREF kGreenLines = 0x0000FF00;

// Runs the engine on `inputBytes` and returns the file it wrote.
struct OverlayRun {
  explicit OverlayRun(const std::vector<uint8_t>& inputBytes, int32_t minCount = 0,
                      int32_t maxCount = 0, COLORREF color = kGreenLines) {
    testing::WriteBytes(input, inputBytes);
    ok = OverlayLinesOnIconFile(input, output, color, minCount, maxCount);
    if (ok) {
      written = testing::ParseIco(testing::ReadBytes(output));
    }
  }

  TempDir dir;
  std::string input = dir.File("in.ico");
  std::string output = dir.File("out.ico");
  MessageRecorder recorder;
  bool ok = false;
  WrittenIco written;
};

// The state LineRandom reaches from `seed` after `draws` numbers.
uint32_t StateAfter(uint32_t seed, int draws) {
  LineRandom::Seed(seed);
  for (int i = 0; i < draws; ++i) {
    LineRandom::Next();
  }
  return LineRandom::State();
}

// A 24-bit picture with a different colour in every pixel and a scattered mask.
BitmapEntryBuilder Patterned24(int32_t width, int32_t height) {
  BitmapEntryBuilder builder(width, height, 24);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      builder.Pixel(x, y, static_cast<uint32_t>((x * 16 + y) << 8 | (y * 7) << 16 | x * 3));
      builder.Transparent(x, y, (x + 2 * y) % 5 == 0);
    }
  }
  return builder;
}

void ExpectBlockHeader(const WrittenEntry& entry, int32_t side) {
  const auto& b = entry.block;
  const uint32_t s = static_cast<uint32_t>(side);
  EXPECT_EQ(testing::GetU32(b, 0), 40u);
  EXPECT_EQ(testing::GetU32(b, 4), s);
  EXPECT_EQ(testing::GetU32(b, 8), 2 * s);
  EXPECT_EQ(testing::GetU16(b, 12), 1u);
  EXPECT_EQ(testing::GetU16(b, 14), 32u);
  EXPECT_EQ(testing::GetU32(b, 16), 0u);
  EXPECT_EQ(testing::GetU32(b, 20), 4 * s * s);
  for (std::size_t at = 24; at < 40; at += 4) {
    EXPECT_EQ(testing::GetU32(b, at), 0u) << "header offset " << at;
  }
  EXPECT_EQ(entry.block.size(), 40 + 4 * s * s + (s + 31) / 32 * 4 * s);
}

TEST(OverlayLinesOnIconFile, DamagedMiddleEntryIsLeftOut) {
  const auto damaged = BitmapEntryBuilder(8, 8, 24).StoredHeight(0).Build();
  OverlayRun run(IcoBuilder()
                     .Add(Patterned24(16, 16).Build())
                     .Add(damaged)
                     .Add(BitmapEntryBuilder(32, 32, 32).Build())
                     .Build());
  ASSERT_TRUE(run.ok);
  EXPECT_TRUE(run.recorder.messages().empty());
  const WrittenIco& ico = run.written;
  EXPECT_EQ(ico.reserved, 0);
  EXPECT_EQ(ico.type, 1);
  ASSERT_EQ(ico.entries.size(), 2u);
  const int32_t sides[] = {16, 32};
  uint32_t offset = 38;
  for (std::size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    const WrittenEntry& e = ico.entries[i];
    EXPECT_EQ(e.width, sides[i]);
    EXPECT_EQ(e.height, sides[i]);
    EXPECT_EQ(e.colorCount, 0);
    EXPECT_EQ(e.reserved, 0);
    EXPECT_EQ(e.planes, 1);
    EXPECT_EQ(e.bitCount, 32);
    EXPECT_EQ(e.imageOffset, offset);
    ExpectBlockHeader(e, sides[i]);
    offset += e.bytesInRes;
  }
  EXPECT_EQ(ico.entries[0].bytesInRes, 1128u);
  EXPECT_EQ(testing::ReadBytes(run.output).size(), offset);
}

TEST(OverlayLinesOnIconFile, SizeComesFromTheImageNotTheDirectory) {
  struct Case {
    int32_t side;
    uint8_t directorySays;
    uint8_t written;
  };
  const Case cases[] = {{32, 16, 32}, {32, 0, 32}, {16, 16, 16}, {300, 44, 44}, {256, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.side);
    testing::IcoEntry entry;
    entry.data = BitmapEntryBuilder(c.side, c.side, 1).Build();
    entry.width = entry.height = c.directorySays;
    OverlayRun run(IcoBuilder().Add(entry).Build());
    ASSERT_TRUE(run.ok);
    ASSERT_EQ(run.written.entries.size(), 1u);
    EXPECT_EQ(run.written.entries[0].width, c.written);
    EXPECT_EQ(run.written.entries[0].height, c.written);
    ExpectBlockHeader(run.written.entries[0], c.side);
  }
}

TEST(OverlayLinesOnIconFile, WithoutLinesEveryPixelAndMaskBitIsKept) {
  BitmapEntryBuilder truecolour = Patterned24(16, 16);
  BitmapEntryBuilder alpha(16, 1, 32);
  alpha.Pixel(0, 0, 0x64112233).Pixel(1, 0, 0xC8112233).Pixel(2, 0, 0xC8112233).Transparent(2, 0);
  OverlayRun run(IcoBuilder().Add(truecolour.Build()).Add(alpha.Build()).Build());
  ASSERT_TRUE(run.ok);
  ASSERT_EQ(run.written.entries.size(), 2u);

  const auto source = truecolour.Build();
  const WrittenEntry& out = run.written.entries[0];
  for (int32_t y = 0; y < 16; ++y) {
    const std::size_t row = truecolour.XorRowOffset(y);
    for (int32_t x = 0; x < 16; ++x) {
      const bool transparent = (x + 2 * y) % 5 == 0;
      const Bgra expected = {source[row + 3 * x], source[row + 3 * x + 1], source[row + 3 * x + 2],
                             static_cast<uint8_t>(transparent ? 0 : 255)};
      EXPECT_EQ(out.Pixel(x, y), expected) << x << ", " << y;
    }
  }
  // Same stride for a 16-pixel mask row in and out, spare bits 0 in both.
  EXPECT_EQ(out.Mask(), std::vector<uint8_t>(source.begin() + truecolour.AndStart(), source.end()));

  // Only 16 x 1 was stored, so the square's lower rows come out transparent.
  const WrittenEntry& thin = run.written.entries[1];
  EXPECT_EQ(thin.Pixel(0, 0), (Bgra{0x33, 0x22, 0x11, 100}));
  EXPECT_TRUE(thin.MaskBit(0, 0));  // alpha 100 is below 128
  EXPECT_EQ(thin.Pixel(1, 0), (Bgra{0x33, 0x22, 0x11, 200}));
  EXPECT_FALSE(thin.MaskBit(1, 0));
  EXPECT_EQ(thin.Pixel(2, 0), (Bgra{0x33, 0x22, 0x11, 0}));
  EXPECT_TRUE(thin.MaskBit(2, 0));
}

TEST(OverlayLinesOnIconFile, PngEntryBecomesA32BitBitmapEntry) {
  QImage image(256, 256, QImage::Format_ARGB32);
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      image.setPixel(x, y, qRgba(x, y, 255 - x, (x + y) % 256));
    }
  }
  OverlayRun run(IcoBuilder().Add(testing::EncodePng(image)).Build());
  ASSERT_TRUE(run.ok);
  ASSERT_EQ(run.written.entries.size(), 1u);
  const WrittenEntry& e = run.written.entries[0];
  EXPECT_EQ(e.width, 0);
  EXPECT_EQ(e.bytesInRes, 270376u);
  ExpectBlockHeader(e, 256);
  for (const auto& [x, y] : {std::pair{0, 0}, {255, 0}, {0, 255}, {100, 27}, {200, 100}}) {
    const uint8_t a = static_cast<uint8_t>((x + y) % 256);
    EXPECT_EQ(e.Pixel(x, y), (Bgra{static_cast<uint8_t>(255 - x), static_cast<uint8_t>(y),
                                   static_cast<uint8_t>(x), a}))
        << x << ", " << y;
    EXPECT_EQ(e.MaskBit(x, y), a < 128) << x << ", " << y;
  }
}

TEST(OverlayLinesOnIconFile, TallEntryKeepsItsTopSquare) {
  BitmapEntryBuilder tall(16, 32, 24);
  tall.Pixel(0, 0, 0xFF0000).Pixel(0, 15, 0x00FF00).Pixel(0, 16, 0x0000FF);
  OverlayRun run(IcoBuilder().Add(tall.Build()).Build());
  ASSERT_TRUE(run.ok);
  ASSERT_EQ(run.written.entries.size(), 1u);
  const WrittenEntry& e = run.written.entries[0];
  ExpectBlockHeader(e, 16);
  EXPECT_EQ(e.Pixel(0, 0), (Bgra{0, 0, 255, 255}));
  EXPECT_EQ(e.Pixel(0, 15), (Bgra{0, 255, 0, 255}));
}

TEST(OverlayLinesOnIconFile, WideEntryIsWrittenWholeOnATransparentSquare) {
  // Lines are drawn on the 32 x 4 picture, before it is set on the square.
  LineRandom::Seed(7);
  BitmapEntryBuilder wide(32, 4, 24);
  for (int32_t x = 0; x < 32; ++x) {
    wide.Pixel(x, 0, 0xFF0000).Pixel(x, 3, 0x0000FF);
  }
  OverlayRun run(IcoBuilder().Add(wide.Build()).Build(), 5, 5);
  ASSERT_TRUE(run.ok);
  ASSERT_EQ(run.written.entries.size(), 1u);
  const WrittenEntry& e = run.written.entries[0];
  EXPECT_EQ(e.width, 32);
  EXPECT_EQ(e.height, 32);
  ExpectBlockHeader(e, 32);
  EXPECT_EQ(e.bytesInRes, 40u + 4096 + 128);
  bool lineSeen = false;
  for (int32_t y = 0; y < 32; ++y) {
    for (int32_t x = 0; x < 32; ++x) {
      const Bgra p = e.Pixel(x, y);
      if (y >= 4) {
        EXPECT_EQ(p, (Bgra{0, 0, 0, 0})) << x << ", " << y;
        EXPECT_TRUE(e.MaskBit(x, y)) << x << ", " << y;
      } else {
        EXPECT_EQ(p[3], 255) << x << ", " << y;
        lineSeen = lineSeen || p[1] > 0;
      }
    }
  }
  EXPECT_TRUE(lineSeen);
}

TEST(OverlayLinesOnIconFile, EntryWhoseSquarePassesTheImagingLimitIsSkipped) {
  // 16385 x 1 decodes in a few kilobytes, but its square would take more than
  // 1 GiB. It is skipped before any number is drawn for its lines.
  const uint32_t seed = 99;
  LineRandom::Seed(seed);
  OverlayRun run(IcoBuilder()
                     .Add(BitmapEntryBuilder(16385, 1, 1).Build())
                     .Add(BitmapEntryBuilder(2, 2, 24).Build())
                     .Build(),
                 3, 3);
  ASSERT_TRUE(run.ok);
  ASSERT_EQ(run.written.entries.size(), 1u);
  EXPECT_EQ(run.written.entries[0].width, 2);
  const uint32_t state = LineRandom::State();
  EXPECT_EQ(state, StateAfter(seed, 13));
}

TEST(OverlayLinesOnIconFile, EachEntryDrawsItsOwnCountOfNumbers) {
  struct Case {
    int32_t minCount;
    int32_t maxCount;
    int numbersPerEntry;
  };
  // One number for the count, four per line; none at all when no line can be
  // drawn.
  const Case cases[] = {{0, 0, 0}, {-2, 0, 0}, {3, 3, 13}, {5, 3, 21}};
  const auto input = IcoBuilder()
                         .Add(BitmapEntryBuilder(16, 16, 24).Build())
                         .Add(BitmapEntryBuilder(32, 8, 24).Build())
                         .Build();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.minCount) + ".." + std::to_string(c.maxCount));
    const uint32_t seed = 12345;
    LineRandom::Seed(seed);
    OverlayRun run(input, c.minCount, c.maxCount);
    ASSERT_TRUE(run.ok);
    EXPECT_EQ(run.written.entries.size(), 2u);
    const uint32_t state = LineRandom::State();
    EXPECT_EQ(state, StateAfter(seed, 2 * c.numbersPerEntry));
  }
}

TEST(OverlayLinesOnIconFile, LinesAreDrawnInTheirColourOverTheImage) {
  const auto input = IcoBuilder().Add(BitmapEntryBuilder(32, 32, 24).Build()).Build();
  LineRandom::Seed(1);
  OverlayRun plain(input, 0, 0);
  LineRandom::Seed(1);
  OverlayRun lined(input, 3, 3, kGreenLines);
  ASSERT_TRUE(plain.ok);
  ASSERT_TRUE(lined.ok);
  const WrittenEntry& before = plain.written.entries.at(0);
  const WrittenEntry& after = lined.written.entries.at(0);
  int changed = 0;
  for (int32_t y = 0; y < 32; ++y) {
    for (int32_t x = 0; x < 32; ++x) {
      const Bgra p = after.Pixel(x, y);
      EXPECT_EQ(before.Pixel(x, y), (Bgra{0, 0, 0, 255}));
      EXPECT_EQ(p[0], 0);
      EXPECT_EQ(p[2], 0);
      EXPECT_EQ(p[3], 255);
      changed += p[1] != 0;
    }
  }
  EXPECT_GT(changed, 0);
}

TEST(OverlayLinesOnIconFile, OutputMayBeTheInputItself) {
  const auto input = IcoBuilder().Add(Patterned24(16, 16).Build()).Build();
  OverlayRun reference(input);
  ASSERT_TRUE(reference.ok);

  TempDir dir;
  const std::string path = dir.File("in.ico");
  testing::WriteBytes(path, input);
  EXPECT_TRUE(OverlayLinesOnIconFile(path, path, 255, 0, 0));
  EXPECT_EQ(testing::ReadBytes(path), testing::ReadBytes(reference.output));
  EXPECT_EQ(dir.List(), std::vector<std::string>{"in.ico"});
}

TEST(OverlayLinesOnIconFile, OutputThatCannotBeCreatedIsReported) {
  TempDir dir;
  const std::string input = dir.File("in.ico");
  testing::WriteBytes(input, IcoBuilder().Add(BitmapEntryBuilder(2, 2, 24).Build()).Build());
  MessageRecorder recorder;
  EXPECT_FALSE(OverlayLinesOnIconFile(input, dir.File("missing/out.ico"), 255, 0, 0));
  EXPECT_EQ(recorder.messages(),
            (std::vector<RecordedMessage>{{"Failed to create output file.", MessageIcon::kError}}));
  EXPECT_EQ(dir.List(), std::vector<std::string>{"in.ico"});
}

class OutputFaultGuard {
 public:
  explicit OutputFaultGuard(OutputFault fault) { SetOutputFaultForTesting(fault); }
  ~OutputFaultGuard() { SetOutputFaultForTesting(std::nullopt); }
};

TEST(OverlayLinesOnIconFile, FailedWriteLeavesEveryFileAsItWas) {
  struct Case {
    std::string name;
    std::string output;                            // name in the folder
    std::optional<std::vector<uint8_t>> existing;  // bytes already at the output
  };
  const auto input = IcoBuilder().Add(Patterned24(16, 16).Build()).Build();
  const Case cases[] = {
      {"new output", "out.ico", std::nullopt},
      {"existing output", "out.ico", std::vector<uint8_t>{'o', 'l', 'd'}},
      {"output is the input", "in.ico", std::nullopt},
  };
  for (const Case& c : cases) {
    for (const uint64_t failAfter : {uint64_t{0}, uint64_t{100}}) {
      SCOPED_TRACE(c.name + ", failing after " + std::to_string(failAfter) + " bytes");
      TempDir dir;
      testing::WriteBytes(dir.File("in.ico"), input);
      if (c.existing) {
        testing::WriteBytes(dir.File(c.output), *c.existing);
      }
      const std::vector<std::string> names = dir.List();
      OutputFaultGuard fault({failAfter, FileError::Cause::kDiskFull});
      MessageRecorder recorder;
      try {
        OverlayLinesOnIconFile(dir.File("in.ico"), dir.File(c.output), 255, 0, 0);
        ADD_FAILURE() << "no FileError";
      } catch (const FileError& error) {
        EXPECT_EQ(error.cause(), FileError::Cause::kDiskFull);
        EXPECT_EQ(error.path(), dir.File(c.output));
      }
      EXPECT_TRUE(recorder.messages().empty());
      EXPECT_EQ(dir.List(), names);
      EXPECT_EQ(testing::ReadBytes(dir.File("in.ico")), input);
      if (c.existing) {
        EXPECT_EQ(testing::ReadBytes(dir.File(c.output)), *c.existing);
      }
    }
  }
}

}  // namespace
}  // namespace zelmor
