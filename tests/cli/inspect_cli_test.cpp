// zelmor-cli --inspect as scripts run it: exit status, where each kind of
// output goes, JSON that parses, and the contact sheet.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdlib>

#include "inspect/contact_sheet.h"
#include "inspect/icon_inspection.h"
#include "platform/imaging.h"
#include "tests/support/ico_builder.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::BitmapEntryBuilder;
using testing::IcoBuilder;
using testing::IcoEntry;
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

IcoEntry Entry(int32_t side) {
  IcoEntry entry;
  entry.data = BitmapEntryBuilder(side, side, 32).Pixel(0, 0, 0xFF336699).Build();
  entry.width = static_cast<uint8_t>(side);
  entry.height = static_cast<uint8_t>(side);
  return entry;
}

// 48 and 16: only the no-256 warning.
std::string WriteWarnedIcon(const TempDir& dir) {
  const std::string path = dir.File("warned.ico");
  WriteBytes(path, IcoBuilder().Add(Entry(48)).Add(Entry(16)).Build());
  return path;
}

// The directory calls the 16 px entry 32 px: a size-mismatch error.
std::string WriteBrokenIcon(const TempDir& dir) {
  IcoEntry entry = Entry(16);
  entry.width = 32;
  const std::string path = dir.File("broken.ico");
  WriteBytes(path, IcoBuilder().Add(entry).Build());
  return path;
}

TEST(InspectCli, WarningsPassErrorsAndUnreadableFilesFailAndTheRestStillRun) {
  TempDir dir;
  const std::string warned = WriteWarnedIcon(dir);
  const std::string broken = WriteBrokenIcon(dir);
  const std::string missing = dir.File("missing.ico");
  const auto before = dir.List();

  CliResult run = RunCli({"--inspect", Q(warned)});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, warned + ": 10806 bytes, 2 entries\n" +
                         "  entry 0: 48x48 32-bit bmp, 9640 bytes at offset 38\n" +
                         "  entry 1: 16x16 32-bit bmp, 1128 bytes at offset 9678\n" +
                         "  warning no-256: no 256x256 entry, which electron-builder requires\n");

  run = RunCli({Q(missing), "--inspect", Q(broken), Q(warned)});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "zelmor-cli: " + missing + ": File does not exist.\n");
  EXPECT_NE(run.out.find(broken + ": "), std::string::npos);
  EXPECT_NE(run.out.find("\n  error size-mismatch: entry 0: "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(warned + ": "), std::string::npos);
  EXPECT_EQ(dir.List(), before) << "inspecting wrote a file";
}

TEST(InspectCli, JsonIsOneArrayInTheOrderOfTheIcons) {
  if (std::system("/usr/bin/python3 -c 'import json' >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "/usr/bin/python3 is missing";
  }
  TempDir dir;
  const std::string warned = WriteWarnedIcon(dir);
  const std::string broken = WriteBrokenIcon(dir);
  const CliResult run = RunCli({"--inspect", "--json", Q(broken), Q(warned)});
  EXPECT_EQ(run.status, 1);
  const std::string json = dir.File("out.json");
  WriteBytes(json, std::vector<uint8_t>(run.out.begin(), run.out.end()));
  const std::string summary = dir.File("summary.txt");
  const std::string command =
      "/usr/bin/python3 -c \"import json, sys\n"
      "for it in json.load(open(sys.argv[1])):\n"
      "    print(it['file'], it['count'], [(e['width'], e['directory']['width']) for e in "
      "it['entries']], [(f['level'], f['code'], f['entry']) for f in it['findings']])\" " +
      json + " > " + summary;
  ASSERT_EQ(std::system(command.c_str()), 0) << run.out;
  const std::vector<uint8_t> printed = ReadBytes(summary);
  EXPECT_EQ(std::string(printed.begin(), printed.end()),
            broken +
                " 1 [(16, 32)] [('error', 'size-mismatch', 0), ('warning', 'no-256', None)]\n" +
                warned + " 2 [(48, 48), (16, 16)] [('warning', 'no-256', None)]\n");
}

TEST(InspectCli, UsageErrorsExitTwoWithAHint) {
  for (const QStringList& args :
       {QStringList{"--inspect"}, QStringList{"--inspect", "--bogus", "a.ico"},
        QStringList{"--inspect", "--preview", "s.png", "a.ico", "b.ico"},
        QStringList{"--inspect", "a.ico", "--preview"},
        QStringList{"--inspect", "--preview=", "a.ico"}}) {
    const CliResult run = RunCli(args);
    EXPECT_EQ(run.status, 2) << args.join(' ').toStdString();
    EXPECT_NE(run.err.find("Try 'zelmor-cli --help'"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
  const CliResult help = RunCli({"--help"});
  EXPECT_NE(help.out.find("--inspect [--json] [--preview SHEET.png] ICON..."), std::string::npos);
}

TEST(InspectCli, PreviewWritesTheContactSheet) {
  TempDir dir;
  const std::string icon = WriteWarnedIcon(dir);
  const std::string sheet = dir.File("sheet.png");
  const CliResult run = RunCli({"--inspect", "--preview", Q(sheet), Q(icon)});
  EXPECT_EQ(run.status, 0) << run.err;
  const QImage image(Q(sheet));
  ASSERT_FALSE(image.isNull());
  const ImagingSession imaging;
  const IconInspection inspection = InspectIcon(ReadBytes(icon));
  const std::optional<SheetLayout> layout = LayOutContactSheet(inspection);
  ASSERT_TRUE(layout);
  EXPECT_EQ(image.width(), layout->width);
  EXPECT_EQ(image.height(), layout->height);
  // The opaque top-left pixel of each entry on both backgrounds.
  for (const SheetCell& cell : layout->cells) {
    EXPECT_EQ(image.pixel(cell.lightX, cell.y), 0xFF336699u);
    EXPECT_EQ(image.pixel(cell.darkX, cell.y), 0xFF336699u);
    EXPECT_EQ(image.pixel(cell.lightX + 1, cell.y), kSheetLight) << "black on light: the block's 0";
  }
}

}  // namespace
}  // namespace zelmor
