// A write that fails part of the way through the output, for both engines:
// the failure comes out as a FileError for the output path, an existing file
// there keeps its old bytes, and no temporary file is left beside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "generate/generate_icon.h"
#include "overlay/overlay_icon.h"
#include "platform/files.h"
#include "platform/line_random.h"
#include "tests/support/ico_builder.h"
#include "tests/support/message_recorder.h"
#include "tests/support/picture_writer.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::BitmapEntryBuilder;
using testing::IcoBuilder;
using testing::MessageRecorder;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

using Bytes = std::vector<uint8_t>;

struct Engine {
  const char* name;
  const char* inputName;
  std::function<void(const std::string& input)> makeInput;
  std::function<bool(const std::string& input, const std::string& output)> run;
};

void PrintTo(const Engine& engine, std::ostream* os) {
  *os << engine.name;
}

const Engine kGenerate{
    "GenerateIconFile", "picture.png",
    [](const std::string& input) {
      const Bitmap picture = testing::MakeBitmap(30, 20, [](int32_t x, int32_t y) {
        return 0xFF000000u | static_cast<uint32_t>(x * 8) << 16 | static_cast<uint32_t>(y * 12);
      });
      ASSERT_TRUE(testing::WritePicture(picture, input, "png"));
    },
    [](const std::string& input, const std::string& output) {
      return GenerateIconFile(input, output, {true, 1, 2, 0xFF}, {48, 32, 16}, 8);
    }};

const Engine kOverlay{
    "OverlayLinesOnIconFile", "icon.ico",
    [](const std::string& input) {
      WriteBytes(input, IcoBuilder()
                            .Add(BitmapEntryBuilder(32, 32, 24).Pixel(3, 3, 0x123456).Build())
                            .Add(BitmapEntryBuilder(16, 16, 4).Pixel(1, 1, 9).Build())
                            .Build());
    },
    [](const std::string& input, const std::string& output) {
      return OverlayLinesOnIconFile(input, output, 0xFF, 1, 2);
    }};

// Clears the fault however the test ends.
class OutputFault {
 public:
  OutputFault(uint64_t failAfterBytes, FileError::Cause cause) {
    SetOutputFaultForTesting(zelmor::OutputFault{failAfterBytes, cause});
  }
  ~OutputFault() { SetOutputFaultForTesting(std::nullopt); }
  OutputFault(const OutputFault&) = delete;
  OutputFault& operator=(const OutputFault&) = delete;
};

class EngineOutputFault : public ::testing::TestWithParam<Engine> {
 protected:
  void SetUp() override {
    input_ = dir_.File(GetParam().inputName);
    GetParam().makeInput(input_);
    // A clean run tells how long the whole output is.
    const std::string reference = dir_.File("reference.ico");
    ASSERT_TRUE(GetParam().run(input_, reference));
    length_ = ReadBytes(reference).size();
    std::filesystem::remove(reference);
  }

  // The points at which the write is made to fail: before anything, inside
  // the header, after the directory, halfway, and one byte short of the end.
  std::vector<uint64_t> FailurePoints() const {
    return {0, 3, 6 + 16 * 2, length_ / 2, length_ - 1};
  }

  // Runs the engine with the fault and returns the FileError it threw.
  std::optional<FileError> RunFailing(const std::string& output, uint64_t failAfter,
                                      FileError::Cause cause) {
    const OutputFault fault(failAfter, cause);
    MessageRecorder messages;
    LineRandom::Seed(3);
    try {
      GetParam().run(input_, output);
    } catch (const FileError& error) {
      EXPECT_TRUE(messages.messages().empty()) << "a file error is not a message";
      return error;
    }
    return std::nullopt;
  }

  TempDir dir_;
  std::string input_;
  uint64_t length_ = 0;
};

TEST_P(EngineOutputFault, KeepsTheOldOutputAndReportsAFileError) {
  const std::string output = dir_.File("out.ico");
  const Bytes old = {'o', 'l', 'd', ' ', 'i', 'c', 'o', 'n'};
  for (const FileError::Cause cause : {FileError::Cause::kDiskFull, FileError::Cause::kOther}) {
    for (const uint64_t failAfter : FailurePoints()) {
      SCOPED_TRACE("failing after " + std::to_string(failAfter) + " of " + std::to_string(length_) +
                   " bytes");
      WriteBytes(output, old);
      const std::optional<FileError> error = RunFailing(output, failAfter, cause);
      ASSERT_TRUE(error.has_value()) << "the failed write went unreported";
      EXPECT_EQ(error->cause(), cause);
      EXPECT_EQ(error->path(), output);
      EXPECT_EQ(error->UserText(), cause == FileError::Cause::kDiskFull
                                       ? "访问 " + output + " 时磁盘已满。"
                                       : "访问 " + output + " 时发生了未知错误。");
      EXPECT_EQ(ReadBytes(output), old);
      std::vector<std::string> expected = {GetParam().inputName, "out.ico"};
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(dir_.List(), expected);
    }
  }
}

TEST_P(EngineOutputFault, LeavesNothingWhereThereWasNothing) {
  const std::string output = dir_.File("new.ico");
  for (const uint64_t failAfter : FailurePoints()) {
    SCOPED_TRACE("failing after " + std::to_string(failAfter) + " bytes");
    ASSERT_TRUE(RunFailing(output, failAfter, FileError::Cause::kDiskFull).has_value());
    EXPECT_EQ(dir_.List(), std::vector<std::string>{GetParam().inputName});
  }
}

TEST_P(EngineOutputFault, TheNextRunWritesNormally) {
  const std::string output = dir_.File("out.ico");
  ASSERT_TRUE(RunFailing(output, length_ / 2, FileError::Cause::kOther).has_value());
  MessageRecorder messages;
  EXPECT_TRUE(GetParam().run(input_, output));
  EXPECT_EQ(ReadBytes(output).size(), length_);
}

INSTANTIATE_TEST_SUITE_P(Faults, EngineOutputFault, ::testing::Values(kGenerate, kOverlay),
                         [](const auto& info) { return std::string(info.param.name); });

// The overlay engine may write over its own input; a failed write must leave
// the input as it was.
TEST(OverlayOutputFault, AnInputNamedAsTheOutputSurvivesAFailedWrite) {
  TempDir dir;
  const std::string input = dir.File("icon.ico");
  kOverlay.makeInput(input);
  const Bytes original = ReadBytes(input);
  for (const uint64_t failAfter : {uint64_t{0}, uint64_t{100}, uint64_t{2000}}) {
    const OutputFault fault(failAfter, FileError::Cause::kDiskFull);
    EXPECT_THROW(OverlayLinesOnIconFile(input, input, 0xFF, 1, 2), FileError);
    EXPECT_EQ(ReadBytes(input), original);
    EXPECT_EQ(dir.List(), std::vector<std::string>{"icon.ico"});
  }
}

}  // namespace
}  // namespace zelmor
