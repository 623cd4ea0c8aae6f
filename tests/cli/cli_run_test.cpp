#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "overlay/decode_icon_entry.h"
#include "overlay/ico_reader.h"
#include "platform/imaging.h"
#include "tests/support/library_picture_writer.h"
#include "tests/support/picture_writer.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

struct CliResult {
  int status;
  std::string out, err;
};

CliResult RunCli(const QStringList& args) {
  QProcess process;
  process.start(QStringLiteral(ZELMOR_CLI_PATH), args);
  EXPECT_TRUE(process.waitForFinished(60000));
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          process.readAllStandardOutput().toStdString(),
          process.readAllStandardError().toStdString()};
}

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

std::string WritePng(const TempDir& dir, const std::string& name) {
  QImage image(24, 24, QImage::Format_ARGB32);
  image.fill(QColor(10, 200, 30, 255));
  const std::string path = dir.File(name);
  EXPECT_TRUE(image.save(Q(path)));
  return path;
}

TEST(CliRun, ConvertsWithTheDerivedOutputAndPrintsIt) {
  TempDir dir;
  const std::string input = WritePng(dir, "logo.png");
  const CliResult run = RunCli({Q(input), "-s", "all", "-d", "8"});
  EXPECT_EQ(run.status, 0) << run.err;
  const std::string output = dir.File("logo生成.ico");
  EXPECT_EQ(run.out, output + "\n");
  EXPECT_EQ(run.err, "");
  const auto file = ReadBytes(output);
  ASSERT_GE(file.size(), 6u);
  EXPECT_EQ(file[4], 8) << "eight entries";
}

// A phone photo as HEIC, stored sideways with a quarter-turn in its irot box:
// every size is written and the icon is upright.
TEST(CliRun, ConvertsATurnedHeicUpright) {
  TempDir dir;
  // Upright: red on the left half, blue on the right.
  const Bitmap upright = testing::MakeBitmap(
      32, 32, [](int32_t x, int32_t) { return x < 16 ? 0xFFFF0000u : 0xFF0000FFu; });
  const std::string input = dir.File("photo.heic");
  ASSERT_TRUE(testing::WriteHeic(upright, input, {6, true, {}}));
  const std::string output = dir.File("photo.ico");
  const CliResult run = RunCli({Q(input), "-s", "all", "-o", Q(output)});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::optional<IcoFileImage> icon = ReadIcoFile(output);
  ASSERT_TRUE(icon.has_value());
  ASSERT_EQ(icon->entryCount, 8u);
  const ImagingSession imaging;
  for (uint32_t i = 0; i < icon->entryCount; ++i) {
    const auto block = IconEntryBytes(*icon, i);
    ASSERT_TRUE(block.has_value());
    int32_t width = 0;
    int32_t height = 0;
    const std::optional<Bitmap> entry =
        DecodeIconEntry(block->data(), static_cast<uint32_t>(block->size()), width, height);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(testing::PixelAt(*entry, 0, height / 2), 0xFFFF0000u) << "entry " << width;
    EXPECT_EQ(testing::PixelAt(*entry, width - 1, height / 2), 0xFF0000FFu) << "entry " << width;
  }
}

TEST(CliRun, AFailingInputIsReportedAndTheOthersStillRun) {
  TempDir dir;
  const std::string good = WritePng(dir, "good.png");
  const std::string missing = dir.File("missing.png");
  const std::string text = dir.File("notes.png");
  WriteBytes(text, {'h', 'i'});
  const CliResult run = RunCli({Q(missing), Q(text), Q(good)});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "zelmor-cli: " + missing + ": File does not exist.\n" + "zelmor-cli: " + text +
                         ": Unsupported or damaged image file.\n");
  EXPECT_EQ(run.out, dir.File("good生成.ico") + "\n");
}

TEST(CliRun, UsageErrorsExitTwoWithAHint) {
  for (const QStringList& args : {QStringList{}, QStringList{"-d", "7", "x.png"},
                                  QStringList{"-o", "o.ico", "a.png", "b.png"}}) {
    const CliResult run = RunCli(args);
    EXPECT_EQ(run.status, 2) << args.join(' ').toStdString();
    EXPECT_NE(run.err.find("Try 'zelmor-cli --help'"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
}

TEST(CliRun, HelpAndVersionSucceed) {
  CliResult run = RunCli({"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("--lines MIN-MAX"), std::string::npos);
  run = RunCli({"--version"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "zelmor-cli 1.0\n");
}

TEST(CliRun, TheSameSeedGivesTheSameLines) {
  TempDir dir;
  const std::string input = WritePng(dir, "p.png");
  const QStringList common{Q(input), "-s", "32,16", "-l", "5-10", "-c", "0000FF", "--seed", "7"};
  ASSERT_EQ(RunCli(common + QStringList{"-o", Q(dir.File("a.ico"))}).status, 0);
  ASSERT_EQ(RunCli(common + QStringList{"-o", Q(dir.File("b.ico"))}).status, 0);
  ASSERT_EQ(RunCli({Q(input), "-s", "32,16", "-o", Q(dir.File("plain.ico"))}).status, 0);
  EXPECT_EQ(ReadBytes(dir.File("a.ico")), ReadBytes(dir.File("b.ico")));
  EXPECT_NE(ReadBytes(dir.File("a.ico")), ReadBytes(dir.File("plain.ico")));
}

TEST(CliRun, IcoInputsGoToTheOverlayEngine) {
  TempDir dir;
  const std::string input = WritePng(dir, "p.png");
  const std::string ico = dir.File("App.ICO");
  ASSERT_EQ(RunCli({Q(input), "-s", "32,16", "-d", "4", "-o", Q(ico)}).status, 0);
  const CliResult run = RunCli({Q(ico), "-l", "5-10", "-s", "256", "-d", "8"});
  EXPECT_EQ(run.status, 0) << run.err;
  const std::string output = dir.File("App生成.ico");
  EXPECT_EQ(run.out, output + "\n");
  const auto file = ReadBytes(output);
  ASSERT_GE(file.size(), 38u);
  EXPECT_EQ(file[4], 2) << "-s plays no part for icons";
  EXPECT_EQ(file[6 + 6], 32) << "entries come back at 32 bits";
  EXPECT_EQ(file[6], 32);
  EXPECT_EQ(file[6 + 16], 16);
}

TEST(CliRun, AnOutputThatCannotBeCreatedFailsTheInput) {
  TempDir dir;
  const std::string input = WritePng(dir, "p.png");
  // /proc takes no new files: creating the output fails before any work.
  const CliResult run = RunCli({Q(input), "-o", "/proc/zelmor-test.ico"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "zelmor-cli: " + input + ": Failed to create output icon file.\n");
}

}  // namespace
}  // namespace zelmor
