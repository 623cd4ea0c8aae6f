// A batch converted several inputs at a time leaves the same files, prints
// the same lines in the same order and exits the same as one input at a time.
#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/picture_writer.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::MakeBitmap;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
using testing::WritePicture;

// What a run left behind: its streams, its status and every file in its folder.
struct BatchRun {
  int status = -1;
  std::string out;
  std::string err;
  std::map<std::string, std::vector<uint8_t>> files;
};

// The pictures every batch draws from, made once. `big.png` takes far longer
// to convert than the others, so the inputs after it finish first unless
// they are made to wait.
class BatchFixture {
 public:
  BatchFixture() { Prepare(); }
  bool ready() const { return ready_; }

  // Runs zelmor-cli on a fresh copy of the pictures, in their folder, with
  // relative paths, so that runs in different folders print the same.
  BatchRun RunOnCopy(const QStringList& args) const {
    TempDir copy;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      std::filesystem::copy_file(entry.path(), copy.path() / entry.path().filename());
    }
    BatchRun run = Run(copy, args);
    for (const std::string& name : copy.List()) {
      run.files[name] = ReadBytes(copy.File(name));
    }
    return run;
  }

 private:
  void Prepare() {
    const auto write = [this](int32_t side, uint32_t seed, const std::string& name,
                              const std::string& format) {
      const Bitmap picture = MakeBitmap(side, side, [seed](int32_t x, int32_t y) {
        uint32_t h =
            (static_cast<uint32_t>(x) * 73856093u) ^ (static_cast<uint32_t>(y) * 19349663u) ^ seed;
        h *= 2654435761u;
        return 0xFF000000u | (h >> 8);
      });
      ASSERT_TRUE(WritePicture(picture, dir_.File(name), format)) << name;
    };
    write(1024, 1, "big.png", "png");
    write(24, 2, "a.png", "png");
    write(40, 3, "b.png", "png");
    write(17, 4, "c.png", "png");
    write(20, 5, "same.bmp", "bmp");
    write(32, 6, "icon-source.png", "png");
    WriteBytes(dir_.File("notes.png"), {'h', 'i'});
    // An icon to redraw, and an old icon where big.png's output goes.
    ASSERT_EQ(Run(dir_, {"icon-source.png", "-s", "32,16", "-d", "8,32", "-o", "icon.ico"}).status,
              0);
    ASSERT_EQ(Run(dir_, {"c.png", "-s", "16", "-o", "big生成.ico"}).status, 0);
    std::filesystem::copy_file(dir_.path() / "big.png", dir_.path() / "same.png");
    ready_ = true;
  }

  static BatchRun Run(const TempDir& dir, const QStringList& args) {
    QProcess process;
    process.setWorkingDirectory(QString::fromStdString(dir.path().string()));
    process.start(QStringLiteral(ZELMOR_CLI_PATH), args);
    EXPECT_TRUE(process.waitForFinished(120000));
    BatchRun run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
  }

  TempDir dir_;
  bool ready_ = false;
};

struct BatchCase {
  const char* name;
  QStringList args;
  int status;                        // with -j 1
  std::vector<std::string> written;  // files the batch must leave
};

void PrintTo(const BatchCase& batch, std::ostream* out) {
  *out << batch.args.join(' ').toStdString();
}

class CliJobsTest : public ::testing::TestWithParam<BatchCase> {
 protected:
  static void SetUpTestSuite() { fixture_ = new BatchFixture(); }
  static void TearDownTestSuite() {
    delete fixture_;
    fixture_ = nullptr;
  }
  static BatchFixture* fixture_;
};

BatchFixture* CliJobsTest::fixture_ = nullptr;

TEST_P(CliJobsTest, AnyJobCountGivesWhatOneJobGives) {
  ASSERT_TRUE(fixture_->ready()) << "the pictures could not be made";
  const BatchCase& batch = GetParam();
  const BatchRun one = fixture_->RunOnCopy(batch.args + QStringList{"-j", "1"});
  ASSERT_EQ(one.status, batch.status) << one.err;
  for (const std::string& name : batch.written) {
    EXPECT_TRUE(one.files.contains(name)) << name;
  }
  for (const char* jobs : {"2", "4"}) {
    const BatchRun many = fixture_->RunOnCopy(batch.args + QStringList{"--jobs", jobs});
    EXPECT_EQ(many.status, one.status) << "-j " << jobs;
    EXPECT_EQ(many.out, one.out) << "-j " << jobs;
    EXPECT_EQ(many.err, one.err) << "-j " << jobs;
    EXPECT_EQ(many.files.size(), one.files.size()) << "-j " << jobs;
    for (const auto& [name, bytes] : one.files) {
      const auto file = many.files.find(name);
      ASSERT_NE(file, many.files.end()) << name << " missing with -j " << jobs;
      EXPECT_TRUE(file->second == bytes) << name << " differs with -j " << jobs;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliJobsTest,
    ::testing::Values(
        BatchCase{"Pictures",
                  {"a.png", "b.png", "c.png", "big.png", "-s", "all"},
                  0,
                  {"a生成.ico", "b生成.ico", "c生成.ico", "big生成.ico"}},
        BatchCase{"FailuresBetweenGoodInputs",
                  {"missing.png", "a.png", "notes.png", "b.png", "icon.ico", "-d", "8,4"},
                  1,
                  {"a生成.ico", "b生成.ico", "icon生成.ico"}},
        // big.png draws its lines last of all but must take the first numbers.
        BatchCase{"LinesWithASeed",
                  {"big.png", "a.png", "notes.png", "icon.ico", "missing.png", "b.png", "-l", "2-6",
                   "--seed", "42", "-s", "256,48,16"},
                  1,
                  {"big生成.ico", "a生成.ico", "icon生成.ico", "b生成.ico"}},
        BatchCase{"LinesWithPngEntries",
                  {"c.png", "icon.ico", "a.png", "-l", "0-3", "--seed", "7", "--png", "16", "-s",
                   "windows", "--fit", "contain"},
                  0,
                  {"c生成.ico", "icon生成.ico", "a生成.ico"}},
        // The second run's lines must be the ones left on disk.
        BatchCase{"TheSameInputTwice",
                  {"big.png", "big.png", "-l", "1-3", "--seed", "9"},
                  0,
                  {"big生成.ico"}},
        // Both write same生成.ico: the small later one must not finish first.
        BatchCase{"TwoInputsOneOutput",
                  {"same.png", "same.bmp", "-l", "1-2", "--seed", "5"},
                  0,
                  {"same生成.ico"}},
        // The icon is read only after big.png has written it anew.
        BatchCase{"AnInputWrittenByAnEarlierOne",
                  {"big.png", "big生成.ico", "-l", "3-3", "--seed", "1", "-s", "48,16"},
                  0,
                  {"big生成.ico", "big生成生成.ico"}},
        BatchCase{"MergeIsOneConversion",
                  {"-m", "a.png", "b.png", "icon.ico", "-s", "all", "-l", "1-4", "--seed", "3",
                   "-o", "merged.ico"},
                  0,
                  {"merged.ico"}}),
    [](const ::testing::TestParamInfo<BatchCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelmor
