// Damaged and hostile ICO files through the overlay engine, lines on. Each
// run happens in a child process: whatever the file, the engine must report
// the defined message (or skip the entry silently), leave no output behind,
// and keep its peak memory within the imaging limit.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "overlay/decode_icon_entry.h"
#include "overlay/overlay_icon.h"
#include "platform/imaging.h"
#include "platform/line_random.h"
#include "tests/badinput/bad_files.h"
#include "tests/badinput/isolated_run.h"
#include "tests/support/ico_builder.h"
#include "tests/support/picture_writer.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::BitmapEntryBuilder;
using testing::DibHeader;
using testing::GetU32;
using testing::IcoBuilder;
using testing::IcoEntry;
using testing::IsolatedOutcome;
using testing::PeakGrowthLimit;
using testing::RecordedMessage;
using testing::RunIsolated;
using testing::TempDir;
using testing::WriteBytes;

using Bytes = std::vector<uint8_t>;

constexpr COLORREF kLineColour = 0x00FF00;

IsolatedOutcome Overlay(const std::string& input, const std::string& output, int32_t minLines,
                        int32_t maxLines) {
  return RunIsolated([&] {
    LineRandom::Seed(7);
    return OverlayLinesOnIconFile(input, output, kLineColour, minLines, maxLines);
  });
}

void ExpectWithinMemory(const IsolatedOutcome& outcome) {
  EXPECT_LT(outcome.peakGrowthBytes, PeakGrowthLimit())
      << "peak memory grew by " << (outcome.peakGrowthBytes >> 20) << " MiB";
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A sound 4 x 4 entry whose top-left pixel is 0xFF112233.
Bytes GoodBlock() {
  return BitmapEntryBuilder(4, 4, 32).Pixel(0, 0, 0xFF112233).Build();
}

// Directory entries for the builder.
IcoEntry Block(Bytes data) {
  IcoEntry entry;
  entry.data = std::move(data);
  return entry;
}

// The block in its place, with a directory size of its own.
IcoEntry Sized(Bytes data, std::size_t bytesInRes) {
  IcoEntry entry = Block(std::move(data));
  entry.bytesInRes = static_cast<uint32_t>(bytesInRes);
  return entry;
}

// The block placed anywhere, even outside the file.
IcoEntry Located(Bytes data, uint32_t bytesInRes, uint32_t imageOffset) {
  IcoEntry entry = Sized(std::move(data), bytesInRes);
  entry.imageOffset = imageOffset;
  return entry;
}

// --- Faults of the file as a whole: the defined message, nothing written. ---

struct ReadingFailure {
  const char* name;
  // Makes the input at the given path (or leaves it missing).
  std::function<void(const std::string&)> make;
  RecordedMessage message;
};

void PrintTo(const ReadingFailure& c, std::ostream* os) {
  *os << c.name;
}

std::function<void(const std::string&)> FileOf(Bytes bytes) {
  return [bytes](const std::string& path) { WriteBytes(path, bytes); };
}

const RecordedMessage kTooSmall{"Invalid ICO file (too small).", MessageIcon::kError};
const RecordedMessage kNotIco{"Not a valid ICO file.", MessageIcon::kError};
const RecordedMessage kTruncatedDirectory{"Invalid ICO file (truncated directory).",
                                          MessageIcon::kError};
const RecordedMessage kCannotOpen{"Failed to open input ICO file.", MessageIcon::kError};

// 65535 directory entries, all naming the same 39-byte block.
Bytes MaxEntriesAllDamaged() {
  IcoBuilder builder;
  builder.Add(Bytes(39, 0x11));
  for (int i = 1; i < 0xFFFF; ++i) {
    builder.Add(Located({}, 39, 6 + 16 * 0xFFFF));
  }
  return builder.Build();
}

class IcoReadingFailure : public ::testing::TestWithParam<ReadingFailure> {};

TEST_P(IcoReadingFailure, ReportsItsMessageAndWritesNothing) {
  const ReadingFailure& c = GetParam();
  TempDir dir;
  const std::string input = dir.File("input.ico");
  c.make(input);
  if (std::string(c.name) == "Unreadable" && access(input.c_str(), R_OK) == 0) {
    GTEST_SKIP() << "permissions do not stop this user from reading";
  }
  const auto before = dir.List();
  const IsolatedOutcome outcome = Overlay(input, dir.File("output.ico"), 1, 3);
  ASSERT_EQ(outcome.abnormalEnd, "");
  EXPECT_FALSE(outcome.result);
  EXPECT_EQ(outcome.messages, std::vector<RecordedMessage>{c.message});
  EXPECT_EQ(dir.List(), before) << "an output or temporary file was left";
  ExpectWithinMemory(outcome);
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, IcoReadingFailure,
    ::testing::Values(
        ReadingFailure{
            "Missing", [](const std::string&) {}, {"File does not exist.", MessageIcon::kError}},
        ReadingFailure{"Directory", [](const std::string& path) { ::mkdir(path.c_str(), 0700); },
                       kCannotOpen},
        ReadingFailure{"Unreadable",
                       [](const std::string& path) {
                         WriteBytes(path, IcoBuilder().Add(GoodBlock()).Build());
                         ::chmod(path.c_str(), 0);
                       },
                       kCannotOpen},
        ReadingFailure{"ZeroBytes", FileOf({}), kTooSmall},
        ReadingFailure{"FiveBytes", FileOf({0, 0, 1, 0, 1}), kTooSmall},
        ReadingFailure{"CursorType", FileOf(IcoBuilder().Type(2).Add(GoodBlock()).Build()),
                       kNotIco},
        ReadingFailure{"TypeZero", FileOf(IcoBuilder().Type(0).Add(GoodBlock()).Build()), kNotIco},
        ReadingFailure{"TypeMax", FileOf(IcoBuilder().Type(0xFFFF).Add(GoodBlock()).Build()),
                       kNotIco},
        ReadingFailure{"NoEntries",
                       FileOf({0, 0, 1, 0, 0, 0}),
                       {"ICO file contains no icons.", MessageIcon::kWarning}},
        ReadingFailure{"TwoEntriesIn30Bytes", FileOf(Concat({0, 0, 1, 0, 2, 0}, Bytes(24, 0))),
                       kTruncatedDirectory},
        ReadingFailure{"MaxEntriesInAShortFile",
                       FileOf(IcoBuilder().Count(0xFFFF).Add(GoodBlock()).Build()),
                       kTruncatedDirectory},
        ReadingFailure{"DirectoryOneByteShort", FileOf(Concat({0, 0, 1, 0, 1, 0}, Bytes(15, 0))),
                       kTruncatedDirectory},
        ReadingFailure{"MaxEntriesAllDamaged",
                       FileOf(MaxEntriesAllDamaged()),
                       {"No valid icon entries found in ICO file.", MessageIcon::kWarning}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Faults of one entry: skipped without a word. ---

struct EntryFault {
  const char* name;
  IcoEntry entry;
};

void PrintTo(const EntryFault& c, std::ostream* os) {
  *os << c.name;
}

class IcoEntryFault : public ::testing::TestWithParam<EntryFault> {};

TEST_P(IcoEntryFault, AloneLeavesNoValidEntry) {
  TempDir dir;
  const std::string input = dir.File("input.ico");
  WriteBytes(input, IcoBuilder().Add(GetParam().entry).Build());
  const IsolatedOutcome outcome = Overlay(input, dir.File("output.ico"), 1, 3);
  ASSERT_EQ(outcome.abnormalEnd, "");
  EXPECT_FALSE(outcome.result);
  EXPECT_EQ(outcome.messages,
            (std::vector<RecordedMessage>{
                {"No valid icon entries found in ICO file.", MessageIcon::kWarning}}));
  EXPECT_EQ(dir.List(), std::vector<std::string>{"input.ico"});
  ExpectWithinMemory(outcome);
}

TEST_P(IcoEntryFault, BesideASoundEntryIsSkippedSilently) {
  TempDir dir;
  const std::string input = dir.File("input.ico");
  const std::string output = dir.File("output.ico");
  // The damaged entry comes last, so that faults at the end of the file stay there.
  WriteBytes(input, IcoBuilder().Add(GoodBlock()).Add(GetParam().entry).Build());
  const IsolatedOutcome outcome = Overlay(input, output, 1, 3);
  ASSERT_EQ(outcome.abnormalEnd, "");
  EXPECT_TRUE(outcome.result);
  EXPECT_EQ(outcome.messages, std::vector<RecordedMessage>{});
  const Bytes written = testing::ReadBytes(output);
  ASSERT_GE(written.size(), 22u);
  EXPECT_EQ(testing::GetU16(written, 4), 1) << "only the sound entry is written";
  EXPECT_EQ(written[6], 4) << "and it is the 4 x 4 one";
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"input.ico", "output.ico"}));
  ExpectWithinMemory(outcome);
}

// Signature and IHDR chunk of a sound PNG, and nothing more.
Bytes PngCutAfterItsHeader() {
  Bytes png = testing::PngDeclaring(3, 3);
  png.resize(33);
  return png;
}

// A 32-bit 16 x 16 block with its last XOR byte missing.
Bytes XorOneByteShort() {
  Bytes block = BitmapEntryBuilder(16, 16, 32).Build();
  block.resize(40 + 16 * 16 * 4 - 1);
  return block;
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, IcoEntryFault,
    ::testing::Values(
        // Where the block lies.
        EntryFault{"OffsetPlusSizeWrapsAt32Bits", Located(GoodBlock(), 0x20, 0xFFFFFFF0)},
        EntryFault{"SizeWrapsFromASoundOffset", Located(GoodBlock(), 0xFFFFFFFF, 22)},
        EntryFault{"OffsetPastTheEnd", Located({}, 40, 0x00100000)},
        EntryFault{"EndsOneBytePastTheFile", Sized(GoodBlock(), GoodBlock().size() + 1)},
        EntryFault{"ZeroSize", Sized(GoodBlock(), 0)},
        EntryFault{"TooSmallForAHeader", Block(Bytes(39, 0))},
        // PNG blocks.
        EntryFault{"PngSignatureThenGarbage",
                   Block(Concat({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, Bytes(60, 0x5A)))},
        EntryFault{"PngDeclaring65535Square", Block(testing::PngDeclaring(65535, 65535))},
        EntryFault{"PngJustPastTheImagingLimit", Block(testing::PngDeclaring(16384, 16385))},
        EntryFault{"PngAtTheImagingLimitWithoutData", Block(testing::PngDeclaring(16384, 16384))},
        EntryFault{"PngCutAfterItsHeader", Block(PngCutAfterItsHeader())},
        // Bitmap geometry.
        EntryFault{"NegativeHeight", Block(Concat(DibHeader(16, -32, 32), Bytes(1200, 0)))},
        EntryFault{"HeightZero", Block(Concat(DibHeader(16, 0, 32), Bytes(1200, 0)))},
        EntryFault{"HeightOne", Block(Concat(DibHeader(16, 1, 32), Bytes(1200, 0)))},
        EntryFault{"NegativeWidth", Block(Concat(DibHeader(-16, 32, 32), Bytes(1200, 0)))},
        EntryFault{"HugeSidesTinyData",
                   Block(Concat(DibHeader(0x7FFFFFFF, 0x7FFFFFFE, 32), Bytes(8, 0)))},
        EntryFault{"PixelCountPast32Bits",
                   Block(Concat(DibHeader(65536, 2 * 65536, 1), Bytes(64, 0)))},
        EntryFault{"PastTheImagingLimitAt1Bit",
                   Block(Concat(DibHeader(16385, 2 * 16384, 1), Bytes(64, 0)))},
        EntryFault{"XorOneByteShort", Block(XorOneByteShort())},
        // Depths and palettes.
        EntryFault{"BitCount0", Block(Concat(DibHeader(16, 32, 0), Bytes(1200, 0)))},
        EntryFault{"BitCount65535TooShort",
                   Block(Concat(DibHeader(16, 32, 65535), Bytes(1200, 0)))},
        EntryFault{"PaletteCountPast32BitOffsets",
                   Block(Concat(DibHeader(4, 8, 8, 0xFFFFFFFF), Bytes(1200, 0)))},
        EntryFault{"PalettePastTheBlock", Block(Concat(DibHeader(4, 8, 8, 300), Bytes(1200, 0)))}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Odd entries that still decode, to defined pixels. ---

struct OddEntry {
  const char* name;
  Bytes block;
  int32_t side;          // of the written entry
  uint32_t topLeftArgb;  // its decoded top-left pixel, lines off
};

void PrintTo(const OddEntry& c, std::ostream* os) {
  *os << c.name;
}

class IcoOddEntry : public ::testing::TestWithParam<OddEntry> {};

TEST_P(IcoOddEntry, DecodesToDefinedPixels) {
  const OddEntry& c = GetParam();
  TempDir dir;
  const std::string input = dir.File("input.ico");
  const std::string output = dir.File("output.ico");
  WriteBytes(input, IcoBuilder().Add(c.block).Build());
  const IsolatedOutcome outcome = Overlay(input, output, 0, 0);
  ASSERT_EQ(outcome.abnormalEnd, "");
  ASSERT_TRUE(outcome.result);
  EXPECT_EQ(outcome.messages, std::vector<RecordedMessage>{});
  ExpectWithinMemory(outcome);

  const Bytes written = testing::ReadBytes(output);
  ASSERT_GE(written.size(), 22u);
  ASSERT_EQ(testing::GetU16(written, 4), 1);
  const uint32_t size = GetU32(written, 14);
  const uint32_t offset = GetU32(written, 18);
  ASSERT_EQ(offset + uint64_t{size}, written.size());
  const ImagingSession imaging;
  int32_t width = 0;
  int32_t height = 0;
  const std::optional<Bitmap> picture =
      DecodeIconEntry(written.data() + offset, size, width, height);
  ASSERT_TRUE(picture.has_value());
  EXPECT_EQ(width, c.side);
  EXPECT_EQ(height, c.side);
  EXPECT_EQ(testing::PixelAt(*picture, 0, 0), c.topLeftArgb);
}

Bytes IndexPastPalette(uint16_t bitCount, uint32_t clrUsed, uint32_t index) {
  std::vector<RGBQUAD> palette(clrUsed, RGBQUAD{200, 150, 100, 0});
  return BitmapEntryBuilder(4, 4, bitCount)
      .ClrUsed(clrUsed)
      .Palette(palette)
      .Pixel(0, 0, index)
      .Build();
}

Bytes WithoutItsMask(Bytes block, std::size_t maskBytes) {
  block.resize(block.size() - maskBytes);
  return block;
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, IcoOddEntry,
    ::testing::Values(
        OddEntry{"Index200WithA16ColourPalette", IndexPastPalette(8, 16, 200), 4, 0xFF000000},
        OddEntry{"Index15WithA2ColourPalette", IndexPastPalette(4, 2, 15), 4, 0xFF000000},
        OddEntry{"IndexInsideAShortPalette", IndexPastPalette(8, 16, 3), 4, 0xFF6496C8},
        OddEntry{"BitCount2", BitmapEntryBuilder(5, 5, 2).Pixel(0, 0, 3).Build(), 5, 0xFF000000},
        OddEntry{"BitCount65535InOnePixel", BitmapEntryBuilder(1, 1, 65535).Build(), 1, 0xFF000000},
        OddEntry{"MaskCutOff",
                 WithoutItsMask(
                     BitmapEntryBuilder(8, 8, 24).Pixel(0, 0, 0x445566).Transparent(0, 0).Build(),
                     8 * 4),
                 8, 0xFF445566},
        OddEntry{"TallerThanWide", BitmapEntryBuilder(3, 9, 32).Pixel(0, 0, 0x80102030).Build(), 3,
                 0x80102030},
        OddEntry{"WiderThanTall", BitmapEntryBuilder(9, 3, 32).Pixel(0, 0, 0xFF102030).Build(), 9,
                 0xFF102030}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelmor
