#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

const std::vector<uint8_t> kOld = {'o', 'l', 'd'};
const std::vector<uint8_t> kNew = {'n', 'e', 'w', '!', '!'};

TEST(OutputFile, ReplacesTheTargetOnlyOnCommit) {
  TempDir dir;
  const std::string target = dir.File("out.ico");
  WriteBytes(target, kOld);
  {
    auto out = OutputFile::Create(target);
    ASSERT_NE(out, nullptr);
    out->Write(kNew);
    EXPECT_EQ(ReadBytes(target), kOld) << "the target changed before the commit";
    out->Commit();
  }
  EXPECT_EQ(ReadBytes(target), kNew);
  EXPECT_EQ(dir.List(), std::vector<std::string>{"out.ico"});
}

TEST(OutputFile, AnUncommittedFileLeavesNothingBehind) {
  TempDir dir;
  const std::string target = dir.File("out.ico");
  WriteBytes(target, kOld);
  {
    auto out = OutputFile::Create(target);
    ASSERT_NE(out, nullptr);
    out->Write(kNew);
  }
  EXPECT_EQ(ReadBytes(target), kOld);
  EXPECT_EQ(dir.List(), std::vector<std::string>{"out.ico"});
}

TEST(OutputFile, CannotBeCreatedInAMissingFolderOrOverAFolder) {
  TempDir dir;
  EXPECT_EQ(OutputFile::Create(dir.File("missing/out.ico")), nullptr);
  std::filesystem::create_directory(dir.path() / "folder.ico");
  EXPECT_EQ(OutputFile::Create(dir.File("folder.ico")), nullptr);
  EXPECT_EQ(OutputFile::Create(""), nullptr);
}

struct FaultCase {
  FileError::Cause cause;
  const char* text;
};

class OutputFaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(OutputFaultTest, AFailedWriteThrowsWithCauseAndPathAndKeepsTheOldFile) {
  TempDir dir;
  const std::string target = dir.File("out.ico");
  WriteBytes(target, kOld);
  SetOutputFaultForTesting(OutputFault{2, GetParam().cause});
  try {
    auto out = OutputFile::Create(target);
    SetOutputFaultForTesting(std::nullopt);
    ASSERT_NE(out, nullptr);
    out->Write(kNew);
    FAIL() << "the write did not fail";
  } catch (const FileError& error) {
    EXPECT_EQ(error.cause(), GetParam().cause);
    EXPECT_EQ(error.path(), target);
    EXPECT_EQ(error.UserText(), "访问 " + target + GetParam().text);
  }
  SetOutputFaultForTesting(std::nullopt);
  EXPECT_EQ(ReadBytes(target), kOld);
  EXPECT_EQ(dir.List(), std::vector<std::string>{"out.ico"});
}

INSTANTIATE_TEST_SUITE_P(Files, OutputFaultTest,
                         ::testing::Values(FaultCase{FileError::Cause::kDiskFull, " 时磁盘已满。"},
                                           FaultCase{FileError::Cause::kOther,
                                                     " 时发生了未知错误。"}));

TEST(InputFile, ReadsLengthAndBytes) {
  TempDir dir;
  const std::string path = dir.File("名字.bin");
  WriteBytes(path, kNew);
  auto in = InputFile::Open(path);
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(in->Length(), kNew.size());
  std::vector<uint8_t> buffer(16, 0xAA);
  EXPECT_EQ(in->Read(buffer.data(), buffer.size()), kNew.size());
  EXPECT_TRUE(std::equal(kNew.begin(), kNew.end(), buffer.begin()));
}

TEST(InputFile, MissingFilesAndFoldersDoNotOpen) {
  TempDir dir;
  EXPECT_EQ(InputFile::Open(dir.File("missing.ico")), nullptr);
  EXPECT_EQ(InputFile::Open(dir.path().string()), nullptr);
}

TEST(PathChecks, ExistenceCountsFoldersAndSameFileResolvesSpellings) {
  TempDir dir;
  const std::string file = dir.File("a.png");
  WriteBytes(file, kOld);
  EXPECT_TRUE(PathExists(file));
  EXPECT_TRUE(PathExists(dir.path().string()));
  EXPECT_FALSE(PathExists(dir.File("b.png")));
  EXPECT_FALSE(PathExists(""));

  EXPECT_TRUE(IsSameFile(file, dir.path().string() + "/./a.png"));
  std::filesystem::create_symlink(file, dir.path() / "link.png");
  EXPECT_TRUE(IsSameFile(file, dir.File("link.png")));
  EXPECT_FALSE(IsSameFile(file, dir.File("b.png")));
}

}  // namespace
}  // namespace zelmor
