// zelmor-cli when the disk refuses the output part of the way through: the
// child runs under a file-size limit, so its writes past the limit fail with
// EFBIG (SIGXFSZ ignored). The command must exit 1 with the file error on
// stderr, print no output path, keep an existing output whole and leave no
// temporary file.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <csignal>
#include <string>
#include <vector>

#include "tests/support/ico_builder.h"
#include "tests/support/picture_writer.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

using Bytes = std::vector<uint8_t>;

// Smaller than any output below, larger than nothing the command needs.
constexpr rlim_t kFileSizeLimit = 4096;

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

CliRun RunCliWithFileSizeLimit(const QStringList& args) {
  QProcess process;
  process.setChildProcessModifier([] {
    const rlimit limit{kFileSizeLimit, kFileSizeLimit};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_IGN);
  });
  process.start(QStringLiteral(ZELMOR_CLI_PATH), args);
  EXPECT_TRUE(process.waitForFinished(120000));
  CliRun run;
  run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.out = process.readAllStandardOutput().toStdString();
  run.err = process.readAllStandardError().toStdString();
  return run;
}

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

struct CliCase {
  const char* name;
  const char* inputName;
  void (*makeInput)(const std::string& path);
  QStringList options;
};

void PrintTo(const CliCase& c, std::ostream* os) {
  *os << c.name;
}

void MakePicture(const std::string& path) {
  const Bitmap picture = testing::MakeBitmap(40, 40, [](int32_t x, int32_t y) {
    return 0xFF000000u | static_cast<uint32_t>(x * 6) << 8 | static_cast<uint32_t>(y * 6);
  });
  ASSERT_TRUE(testing::WritePicture(picture, path, "png"));
}

void MakeIcon(const std::string& path) {
  WriteBytes(path, testing::IcoBuilder()
                       .Add(testing::BitmapEntryBuilder(48, 48, 32).Pixel(1, 1, 0xFF00FF00).Build())
                       .Build());
}

class CliOutputFault : public ::testing::TestWithParam<CliCase> {
 protected:
  // The file error line for `input` and `output`, either cause.
  static bool IsFileErrorLine(const std::string& err, const std::string& input,
                              const std::string& output) {
    const std::string prefix = "zelmor-cli: " + input + ": 访问 " + output + " 时";
    return err == prefix + "磁盘已满。\n" || err == prefix + "发生了未知错误。\n";
  }
};

TEST_P(CliOutputFault, ExitsOneKeepsTheOldOutputAndLeavesNoTemporaryFile) {
  const CliCase& c = GetParam();
  TempDir dir;
  const std::string input = dir.File(c.inputName);
  const std::string output = dir.File("out.ico");
  c.makeInput(input);
  const Bytes old(100, 'o');
  WriteBytes(output, old);

  QStringList args = c.options;
  args << "-o" << Q(output) << Q(input);
  const CliRun run = RunCliWithFileSizeLimit(args);
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(IsFileErrorLine(run.err, input, output)) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(ReadBytes(output), old);
  std::vector<std::string> expected = {c.inputName, "out.ico"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(dir.List(), expected);
}

TEST_P(CliOutputFault, LeavesNothingWhereThereWasNothing) {
  const CliCase& c = GetParam();
  TempDir dir;
  const std::string input = dir.File(c.inputName);
  c.makeInput(input);
  QStringList args = c.options;
  args << Q(input);
  const CliRun run = RunCliWithFileSizeLimit(args);
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(IsFileErrorLine(run.err, input, dir.File("input生成.ico"))) << run.err;
  EXPECT_EQ(dir.List(), std::vector<std::string>{c.inputName});
}

TEST_P(CliOutputFault, WithoutTheLimitTheSameCommandSucceeds) {
  const CliCase& c = GetParam();
  TempDir dir;
  const std::string input = dir.File(c.inputName);
  c.makeInput(input);
  QProcess process;
  process.start(QStringLiteral(ZELMOR_CLI_PATH), QStringList(c.options) << Q(input));
  ASSERT_TRUE(process.waitForFinished(120000));
  EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
  EXPECT_GT(ReadBytes(dir.File("input生成.ico")).size(), kFileSizeLimit)
      << "the output must be larger than the limit for the faults above to bite";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CliOutputFault,
    ::testing::Values(CliCase{"Picture", "input.png", MakePicture, {"-s", "48", "-d", "32"}},
                      CliCase{"Icon", "input.ico", MakeIcon, {"--lines", "1-3"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelmor
