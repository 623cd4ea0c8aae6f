// Qt's BMP reader wrote only the pixels a run-length picture codes and left
// the others holding whatever the heap held before: the icon then differed
// from run to run and carried stray memory. Pixels a picture does not code
// must come out fully transparent, as browsers show them, every time.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "generate/generate_icon.h"
#include "platform/imaging.h"
#include "tests/support/bmp_file.h"
#include "tests/support/message_recorder.h"
#include "tests/support/picture_writer.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::MessageRecorder;
using testing::PixelAt;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

constexpr uint32_t kColour0 = 0xFF0A141E;  // palette entry 0: red 10, green 20, blue 30
constexpr uint32_t kColour1 = 0xFFC86432;  // palette entry 1: red 200, green 100, blue 50

// A bottom-up run-length BMP with a palette whose first two entries are the
// colours above; `codes` is its pixel data.
std::vector<uint8_t> BuildRunLengthBmp(int32_t width, int32_t height, uint16_t bitCount,
                                       uint32_t compression, const std::vector<uint8_t>& codes) {
  std::vector<uint32_t> palette(std::size_t{1} << bitCount, 0x808080);
  palette[0] = kColour0;
  palette[1] = kColour1;
  return testing::BuildBmpFile(width, height, bitCount, compression, palette, codes);
}

// Leaves freed heap blocks of about `bytes` full of `fill`, where the next
// picture of that size would be put.
void DirtyTheHeap(std::size_t bytes, uint8_t fill) {
  std::vector<void*> blocks;
  for (int i = 0; i < 8; ++i) {
    blocks.push_back(std::malloc(bytes));
    std::memset(blocks.back(), fill, bytes);
  }
  for (void* block : blocks) {
    std::free(block);
  }
}

struct RunLengthCase {
  const char* name;
  uint16_t bitCount;
  uint32_t compression;
  std::vector<uint8_t> codes;
  int32_t codedRun;  // pixels of colour 1 at the start of the bottom row
};

void PrintTo(const RunLengthCase& c, std::ostream* os) {
  *os << c.name;
}

class RunLengthBmp : public ::testing::TestWithParam<RunLengthCase> {};

TEST_P(RunLengthBmp, PixelsItDoesNotCodeAreTransparent) {
  constexpr int32_t kSide = 64;
  const RunLengthCase& c = GetParam();
  TempDir dir;
  const std::string path = dir.File("picture.bmp");
  WriteBytes(path, BuildRunLengthBmp(kSide, kSide, c.bitCount, c.compression, c.codes));
  for (const uint8_t fill : {0xA5, 0x3C}) {
    const ImagingSession imaging;
    DirtyTheHeap(kSide * kSide, fill);
    DirtyTheHeap(kSide * kSide * 4, fill);
    const std::optional<Bitmap> picture = LoadPictureFile(path);
    ASSERT_TRUE(picture.has_value());
    ASSERT_EQ(picture->width(), kSide);
    ASSERT_EQ(picture->height(), kSide);
    int wrong = 0;
    for (int32_t y = 0; y < kSide; ++y) {
      for (int32_t x = 0; x < kSide; ++x) {
        const bool coded = y == kSide - 1 && x < c.codedRun;
        wrong += PixelAt(*picture, x, y) != (coded ? kColour1 : 0u);
      }
    }
    EXPECT_EQ(wrong, 0) << "heap filled with " << int{fill};
  }
}

INSTANTIATE_TEST_SUITE_P(Regression, RunLengthBmp,
                         ::testing::Values(
                             // 10 pixels of index 1, then end of picture.
                             RunLengthCase{"Rle8EndsEarly", 8, 1, {10, 1, 0, 1}, 10},
                             // 5 pixels, a jump 20 to the right and 3 rows up, end of picture.
                             RunLengthCase{"Rle8Jumps", 8, 1, {5, 1, 0, 2, 20, 3, 0, 1}, 5},
                             // 6 pixels of the index pair (1, 1), end of line, end of picture.
                             RunLengthCase{"Rle4EndsEarly", 4, 2, {6, 0x11, 0, 0, 0, 1}, 6}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RunLengthBmpIcon, IsTheSameBytesWhateverTheHeapHeld) {
  TempDir dir;
  const std::string input = dir.File("picture.bmp");
  WriteBytes(input, BuildRunLengthBmp(200, 150, 8, 1, {30, 1, 0, 1}));
  std::vector<std::vector<uint8_t>> icons;
  for (const uint8_t fill : {0x00, 0xFF}) {
    MessageRecorder messages;
    DirtyTheHeap(200 * 150, fill);
    DirtyTheHeap(200 * 150 * 4, fill);
    const std::string output = dir.File("icon" + std::to_string(icons.size()) + ".ico");
    ASSERT_TRUE(GenerateIconFile(input, output, {}, {48, 16}, 24));
    EXPECT_TRUE(messages.messages().empty());
    icons.push_back(ReadBytes(output));
  }
  EXPECT_EQ(icons[0], icons[1]);
}

}  // namespace
}  // namespace zelmor
