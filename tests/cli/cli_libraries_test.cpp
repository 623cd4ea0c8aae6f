// Which of the libraries opened on first use a zelmor-cli run maps, as the
// dynamic loader reports it (LD_DEBUG=files names each file it maps): a PNG
// needs none of them, an SVG librsvg and cairo, a HEIC libheif.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "tests/support/library_picture_writer.h"
#include "tests/support/picture_writer.h"
#include "tests/support/svg_documents.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::TempDir;

// The loader's messages of one run that converts `input`.
std::string LoaderMessages(const std::string& input, const std::string& output) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("LD_DEBUG", "files");
  process.setProcessEnvironment(environment);
  process.start(QStringLiteral(ZELMOR_CLI_PATH), {QString::fromStdString(input), "-s", "16,256",
                                                  "-o", QString::fromStdString(output)});
  EXPECT_TRUE(process.waitForFinished(60000));
  EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(process.exitCode(), 0);
  return process.readAllStandardError().toStdString();
}

bool Maps(const std::string& messages, const char* soname) {
  return messages.find(std::string("file=") + soname + " ") != std::string::npos;
}

struct Input {
  const char* name;
  bool (*write)(const std::string& path);
  std::vector<const char*> mapped;
  std::vector<const char*> notMapped;
};

bool WritePng(const std::string& path) {
  return testing::WritePicture(
      testing::MakeBitmap(16, 16, [](int32_t, int32_t) { return 0xFF20A040u; }), path, "png");
}

bool WriteSvg(const std::string& path) {
  testing::WriteBytes(path, [] {
    const std::string text = testing::SvgDocument(R"(width="16" height="16")",
                                                  R"(<circle cx="8" cy="8" r="6" fill="red"/>)");
    return std::vector<uint8_t>(text.begin(), text.end());
  }());
  return true;
}

bool WriteHeic(const std::string& path) {
  return testing::WriteHeic(
      testing::MakeBitmap(16, 16,
                          [](int32_t x, int32_t) { return x < 8 ? 0xFFFF0000u : 0xFF0000FFu; }),
      path);
}

TEST(CliLibraries, ARunMapsOnlyTheLibrariesItsInputNeeds) {
  const Input inputs[] = {
      {"picture.png",
       WritePng,
       {},
       {ZELMOR_RSVG_SONAME, ZELMOR_CAIRO_SONAME, ZELMOR_LCMS2_SONAME, ZELMOR_LIBHEIF_SONAME,
        ZELMOR_LIBAVIF_SONAME, ZELMOR_LIBJXL_SONAME}},
      {"vector.svg",
       WriteSvg,
       {ZELMOR_RSVG_SONAME, ZELMOR_CAIRO_SONAME},
       {ZELMOR_LCMS2_SONAME, ZELMOR_LIBHEIF_SONAME, ZELMOR_LIBAVIF_SONAME, ZELMOR_LIBJXL_SONAME}},
      // lcms2 may follow, for the colour the picture declares.
      {"photo.heic",
       WriteHeic,
       {ZELMOR_LIBHEIF_SONAME},
       {ZELMOR_RSVG_SONAME, ZELMOR_CAIRO_SONAME, ZELMOR_LIBAVIF_SONAME, ZELMOR_LIBJXL_SONAME}},
  };
  TempDir dir;
  for (const Input& input : inputs) {
    SCOPED_TRACE(input.name);
    const std::string path = dir.File(input.name);
    ASSERT_TRUE(input.write(path));
    const std::string messages = LoaderMessages(path, dir.File("out.ico"));
    ASSERT_TRUE(Maps(messages, "libc.so.6")) << "no loader messages:\n" << messages;
    for (const char* soname : input.mapped) {
      EXPECT_TRUE(Maps(messages, soname)) << soname << " is not mapped";
    }
    for (const char* soname : input.notMapped) {
      EXPECT_FALSE(Maps(messages, soname)) << soname << " is mapped";
    }
  }
}

}  // namespace
}  // namespace zelmor
