// Icons from real writers: this project's two engines and, when installed,
// Pillow and ImageMagick. None may carry an error finding; Zelmor's own carry
// no warning either beyond no-256 when 256 was not asked for.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "generate/generate_icon.h"
#include "inspect/icon_inspection.h"
#include "overlay/overlay_icon.h"
#include "platform/imaging.h"
#include "platform/line_random.h"
#include "tests/inspect/inspect_fixtures.h"
#include "tests/support/message_recorder.h"
#include "tests/support/picture_writer.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::FindingKey;
using testing::MakeBitmap;
using testing::ReadBytes;
using testing::TempDir;

// A picture with soft edges, so every depth has work to do.
std::string WriteSource(const TempDir& dir) {
  const Bitmap picture = MakeBitmap(300, 300, [](int32_t x, int32_t y) {
    const int32_t d = (x - 150) * (x - 150) + (y - 150) * (y - 150);
    const uint32_t alpha = d < 120 * 120 ? 255 : d < 140 * 140 ? 128 : 0;
    return alpha << 24 | static_cast<uint32_t>(x % 256) << 16 |
           static_cast<uint32_t>(y % 256) << 8 | 0x40;
  });
  const std::string path = dir.File("source.png");
  EXPECT_TRUE(testing::WritePicture(picture, path, "png"));
  return path;
}

std::vector<FindingKey> FindingsOfFile(const std::string& path) {
  return testing::FindingsOf(ReadBytes(path));
}

std::vector<std::string> ErrorsOfFile(const std::string& path) {
  const ImagingSession imaging;
  std::vector<std::string> errors;
  for (const Finding& finding : InspectIcon(ReadBytes(path)).findings) {
    if (finding.level == FindingLevel::kError) {
      errors.push_back(finding.code + ": " + finding.message);
    }
  }
  return errors;
}

TEST(RealIcons, TheGeneratorsIconsHaveOnlyNo256WhenItWasNotAsked) {
  TempDir dir;
  const testing::MessageRecorder messages;
  const std::string source = WriteSource(dir);
  const std::vector<int32_t> all = {256, 128, 96, 64, 48, 32, 24, 16};
  for (const int32_t depth : {4, 8, 24, 32}) {
    for (const bool with256 : {true, false}) {
      SCOPED_TRACE(::testing::Message() << depth << " bits, 256 " << (with256 ? "in" : "out"));
      const std::string output = dir.File("out.ico");
      const std::vector<int32_t> sizes = with256 ? all : std::vector<int32_t>{48, 32, 16};
      ASSERT_TRUE(GenerateIconFile(source, output, {true, 2, 5, 0x0000FF}, sizes, depth));
      const std::vector<FindingKey> expected =
          with256 ? std::vector<FindingKey>{} : std::vector<FindingKey>{{"no-256", -1}};
      EXPECT_EQ(FindingsOfFile(output), expected);
    }
  }
}

TEST(RealIcons, TheOverlayEnginesIconsAreClean) {
  TempDir dir;
  const testing::MessageRecorder messages;
  const std::string generated = dir.File("generated.ico");
  ASSERT_TRUE(GenerateIconFile(WriteSource(dir), generated, {}, {256, 48, 16}, 8));
  const std::string overlaid = dir.File("overlaid.ico");
  LineRandom::Seed(3);
  ASSERT_TRUE(OverlayLinesOnIconFile(generated, overlaid, 0x00FF00, 1, 4));
  EXPECT_EQ(FindingsOfFile(overlaid), std::vector<FindingKey>{});
}

bool Succeeds(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// Pillow writes every entry as a PNG with wPlanes 0 (planes-not-one,
// png-small-entry below 256) and keeps the order of `sizes`.
TEST(RealIcons, PillowsIconsHaveNoErrorFinding) {
  if (!Succeeds("/usr/bin/python3 -c 'import PIL.IcoImagePlugin'")) {
    GTEST_SKIP() << "Pillow is not installed for /usr/bin/python3";
  }
  TempDir dir;
  const std::string source = WriteSource(dir);
  const std::string output = dir.File("pillow.ico");
  ASSERT_TRUE(
      Succeeds("/usr/bin/python3 -c \"import sys; from PIL import Image; "
               "Image.open(sys.argv[1]).save(sys.argv[2], "
               "sizes=[(256, 256), (48, 48), (32, 32), (16, 16)])\" " +
               source + " " + output));
  EXPECT_EQ(ErrorsOfFile(output), std::vector<std::string>{});
}

TEST(RealIcons, ImageMagicksIconsHaveNoErrorFinding) {
  if (!Succeeds("command -v convert")) {
    GTEST_SKIP() << "ImageMagick's convert is not installed";
  }
  TempDir dir;
  const std::string source = WriteSource(dir);
  for (const std::string sizes : {"256,128,48,32,16", "16,32,48"}) {
    SCOPED_TRACE(sizes);
    const std::string output = dir.File("magick.ico");
    ASSERT_TRUE(
        Succeeds("convert " + source + " -define icon:auto-resize=" + sizes + " " + output));
    EXPECT_EQ(ErrorsOfFile(output), std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace zelmor
