// The overlay engine's reading half: whole-file checks with their messages,
// and the range check of each directory entry.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "overlay/overlay_icon.h"
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

std::vector<uint8_t> SmallEntry() {
  return BitmapEntryBuilder(2, 2, 24).Build();
}

struct ReadingFailure {
  std::string name;
  // Prepares the input in the folder and returns its path.
  std::function<std::string(const TempDir&)> input;
  RecordedMessage message;
};

std::function<std::string(const TempDir&)> FileHolding(std::vector<uint8_t> bytes) {
  return [bytes](const TempDir& dir) {
    const std::string path = dir.File("in.ico");
    testing::WriteBytes(path, bytes);
    return path;
  };
}

TEST(IcoReading, EachFaultOfTheWholeFileHasItsMessageAndWritesNothing) {
  const ReadingFailure failures[] = {
      {"missing file",
       [](const TempDir& dir) { return dir.File("in.ico"); },
       {"File does not exist.", MessageIcon::kError}},
      {"a folder",
       [](const TempDir& dir) {
         std::filesystem::create_directory(dir.path() / "in.ico");
         return dir.File("in.ico");
       },
       {"Failed to open input ICO file.", MessageIcon::kError}},
      {"5 bytes",
       FileHolding({0, 0, 1, 0, 1}),
       {"Invalid ICO file (too small).", MessageIcon::kError}},
      {"cursor with a sound directory",
       FileHolding(IcoBuilder().Type(2).Add(SmallEntry()).Build()),
       {"Not a valid ICO file.", MessageIcon::kError}},
      {"type 0", FileHolding({0, 0, 0, 0, 1, 0}), {"Not a valid ICO file.", MessageIcon::kError}},
      {"6 bytes, count 0",
       FileHolding({0, 0, 1, 0, 0, 0}),
       {"ICO file contains no icons.", MessageIcon::kWarning}},
      {"30 bytes declaring 2 entries",
       FileHolding([] {
         std::vector<uint8_t> bytes = {0, 0, 1, 0, 2, 0};
         bytes.resize(30);
         return bytes;
       }()),
       {"Invalid ICO file (truncated directory).", MessageIcon::kError}},
      {"directory one byte short",
       FileHolding([] {
         auto bytes = IcoBuilder().Count(3).Add(SmallEntry()).Build();
         bytes.resize(6 + 3 * 16 - 1);
         return bytes;
       }()),
       {"Invalid ICO file (truncated directory).", MessageIcon::kError}},
  };
  for (const ReadingFailure& failure : failures) {
    SCOPED_TRACE(failure.name);
    TempDir dir;
    const std::string input = failure.input(dir);
    const std::vector<std::string> before = dir.List();
    MessageRecorder recorder;
    EXPECT_FALSE(OverlayLinesOnIconFile(input, dir.File("out.ico"), 255, 0, 0));
    EXPECT_EQ(recorder.messages(), std::vector<RecordedMessage>{failure.message});
    EXPECT_EQ(dir.List(), before);
  }
}

TEST(IcoReading, FileOfFourGibibytesOrMoreIsNotOpened) {
  // A sound icon at the start, then a hole up to 4 GiB: the low 32 bits of
  // the length would make it a small, valid file.
  TempDir dir;
  const std::string input = dir.File("in.ico");
  const auto icon = IcoBuilder().Add(SmallEntry()).Build();
  testing::WriteBytes(input, icon);
  std::filesystem::resize_file(std::filesystem::u8path(input), (uint64_t{1} << 32) + icon.size());
  MessageRecorder recorder;
  EXPECT_FALSE(OverlayLinesOnIconFile(input, dir.File("out.ico"), 255, 0, 0));
  EXPECT_EQ(
      recorder.messages(),
      (std::vector<RecordedMessage>{{"Failed to open input ICO file.", MessageIcon::kError}}));
  EXPECT_EQ(dir.List(), std::vector<std::string>{"in.ico"});
}

TEST(IcoReading, ReservedFieldIsNotExamined) {
  TempDir dir;
  const std::string input = dir.File("in.ico");
  testing::WriteBytes(input, IcoBuilder().Reserved(0xBEEF).Add(SmallEntry()).Build());
  MessageRecorder recorder;
  EXPECT_TRUE(OverlayLinesOnIconFile(input, dir.File("out.ico"), 255, 0, 0));
  EXPECT_TRUE(recorder.messages().empty());
}

TEST(IcoReading, EntryMayEndAtTheFileEndButNotOneBytePast) {
  for (const uint32_t extra : {0u, 1u}) {
    SCOPED_TRACE(extra);
    TempDir dir;
    const std::string input = dir.File("in.ico");
    testing::IcoEntry entry;
    entry.data = SmallEntry();
    entry.bytesInRes = static_cast<uint32_t>(entry.data.size()) + extra;
    testing::WriteBytes(input, IcoBuilder().Add(entry).Build());
    MessageRecorder recorder;
    const bool written = OverlayLinesOnIconFile(input, dir.File("out.ico"), 255, 0, 0);
    if (extra == 0) {
      EXPECT_TRUE(written);
      EXPECT_TRUE(recorder.messages().empty());
    } else {
      EXPECT_FALSE(written);
      EXPECT_EQ(recorder.messages(),
                (std::vector<RecordedMessage>{
                    {"No valid icon entries found in ICO file.", MessageIcon::kWarning}}));
      EXPECT_EQ(dir.List(), std::vector<std::string>{"in.ico"});
    }
  }
}

TEST(IcoReading, EntriesOutsideTheFileOrUndecodableAreSkippedSilently) {
  // Offsets near 2^32 must not wrap round into the file.
  testing::IcoEntry wrapping;
  wrapping.data = SmallEntry();
  wrapping.imageOffset = 0xFFFFFFF0u;
  testing::IcoEntry empty;
  testing::IcoEntry tooSmall;
  tooSmall.data.assign(39, 0);
  TempDir dir;
  const std::string input = dir.File("in.ico");
  testing::WriteBytes(input, IcoBuilder().Add(wrapping).Add(empty).Add(tooSmall).Build());
  MessageRecorder recorder;
  EXPECT_FALSE(OverlayLinesOnIconFile(input, dir.File("out.ico"), 255, 0, 0));
  EXPECT_EQ(recorder.messages(),
            (std::vector<RecordedMessage>{
                {"No valid icon entries found in ICO file.", MessageIcon::kWarning}}));
}

}  // namespace
}  // namespace zelmor
