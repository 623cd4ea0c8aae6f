#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include <filesystem>

#include "generate/generate_icon.h"
#include "platform/files.h"
#include "platform/line_random.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::MessageRecorder;
using testing::ReadBytes;
using testing::RecordedMessage;
using testing::TempDir;
using testing::WriteBytes;

uint32_t Le16(const std::vector<uint8_t>& b, std::size_t at) {
  return b.at(at) | b.at(at + 1) << 8;
}
uint32_t Le32(const std::vector<uint8_t>& b, std::size_t at) {
  return Le16(b, at) | Le16(b, at + 2) << 16;
}

struct Entry {
  int width, bits;
  uint32_t bytes, offset;
};

// The directory of an ICO file, checked to be consistent with the file.
std::vector<Entry> ReadDirectory(const std::vector<uint8_t>& file) {
  EXPECT_EQ(Le16(file, 0), 0u);
  EXPECT_EQ(Le16(file, 2), 1u);
  std::vector<Entry> entries;
  uint32_t expected_offset = 6 + 16 * Le16(file, 4);
  for (uint32_t i = 0; i < Le16(file, 4); ++i) {
    const std::size_t e = 6 + 16 * i;
    entries.push_back(
        {file.at(e), static_cast<int>(Le16(file, e + 6)), Le32(file, e + 8), Le32(file, e + 12)});
    EXPECT_EQ(entries.back().offset, expected_offset);
    expected_offset += entries.back().bytes;
  }
  EXPECT_EQ(expected_offset, file.size());
  return entries;
}

// Mask bit of pixel (x, y), y counted from the top, of an image block.
bool MaskBit(const std::vector<uint8_t>& file, const Entry& entry, int size, int x, int y) {
  const uint32_t header = entry.offset;
  const uint32_t colors = Le32(file, header + 32);
  const uint32_t xor_stride = (size * entry.bits + 31) / 32 * 4;
  const uint32_t mask_stride = (size + 31) / 32 * 4;
  const std::size_t mask = header + 40 + 4 * colors + xor_stride * size;
  const int row = size - 1 - y;
  return (file.at(mask + row * mask_stride + x / 8) >> (7 - x % 8)) & 1;
}

std::string WritePicture(const TempDir& dir, const std::string& name, const QImage& image) {
  const std::string path = dir.File(name);
  EXPECT_TRUE(image.save(QString::fromStdString(path)));
  return path;
}

QImage Filled(int w, int h, QColor color) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(color);
  return image;
}

const LineOverlaySettings kNoLines{false, 0, 0, 255};

class GenerateIconFileTest : public ::testing::Test {
 protected:
  TempDir dir;
  MessageRecorder recorder;
};

TEST_F(GenerateIconFileTest, WritesTheSizesInOrderWithConsistentLayout) {
  const std::string input = WritePicture(dir, "logo.png", Filled(40, 30, Qt::blue));
  const std::string output = dir.File("logo.ico");
  ASSERT_TRUE(GenerateIconFile(input, output, kNoLines, {256, 16}, 32));
  EXPECT_TRUE(recorder.messages().empty());
  const auto file = ReadBytes(output);
  const auto entries = ReadDirectory(file);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].width, 0) << "256 is stored as 0";
  EXPECT_EQ(entries[0].offset, 38u);
  EXPECT_EQ(entries[0].bytes, 40u + 262144 + 8192);
  EXPECT_EQ(entries[1].width, 16);
  EXPECT_EQ(entries[1].bytes, 1128u);
  // Blue, opaque: the first stored pixel of the 16 block.
  const std::size_t pixel = entries[1].offset + 40;
  EXPECT_EQ(std::vector<uint8_t>(file.begin() + pixel, file.begin() + pixel + 4),
            (std::vector<uint8_t>{255, 0, 0, 255}));
}

class DepthTest : public GenerateIconFileTest, public ::testing::WithParamInterface<int> {};

TEST_P(DepthTest, TransparencySurvivesInTheMask) {
  // Left half transparent, right half opaque green.
  QImage image = Filled(64, 64, Qt::transparent);
  for (int y = 0; y < 64; ++y)
    for (int x = 32; x < 64; ++x) image.setPixelColor(x, y, Qt::green);
  const std::string input = WritePicture(dir, "half.png", image);
  const std::string output = dir.File("half.ico");
  ASSERT_TRUE(GenerateIconFile(input, output, kNoLines, {48, 16}, GetParam()));
  const auto file = ReadBytes(output);
  const auto entries = ReadDirectory(file);
  ASSERT_EQ(entries.size(), 2u);
  const int sizes[] = {48, 16};
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(entries[i].bits, GetParam());
    const int n = sizes[i];
    for (int y = 0; y < n; ++y) {
      EXPECT_TRUE(MaskBit(file, entries[i], n, 0, y));
      EXPECT_TRUE(MaskBit(file, entries[i], n, n / 2 - 2, y));
      EXPECT_FALSE(MaskBit(file, entries[i], n, n / 2 + 1, y));
      EXPECT_FALSE(MaskBit(file, entries[i], n, n - 1, y));
    }
  }
}

TEST_P(DepthTest, AFullyTransparentPictureMasksEveryPixel) {
  const std::string input = WritePicture(dir, "clear.png", Filled(20, 20, Qt::transparent));
  const std::string output = dir.File("clear.ico");
  ASSERT_TRUE(GenerateIconFile(input, output, kNoLines, {24}, GetParam()));
  const auto file = ReadBytes(output);
  const auto entries = ReadDirectory(file);
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 24; ++x) ASSERT_TRUE(MaskBit(file, entries[0], 24, x, y)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Generate, DepthTest, ::testing::Values(4, 8, 24, 32));

struct FailureCase {
  const char* name;
  const char* message;
  MessageIcon icon;
};

class GenerateFailureTest : public GenerateIconFileTest,
                            public ::testing::WithParamInterface<FailureCase> {};

TEST_P(GenerateFailureTest, ReportsAndLeavesNothingBehind) {
  const std::string picture = WritePicture(dir, "pic.png", Filled(8, 8, Qt::red));
  const auto picture_bytes = ReadBytes(picture);
  std::string input = picture;
  std::string output = dir.File("out.ico");
  std::vector<int32_t> sizes{48};
  int32_t depth = 32;
  const std::string name = GetParam().name;
  if (name == "missing input") {
    input = dir.File("nothing.png");
  } else if (name == "missing input and no sizes") {
    input = dir.File("nothing.png");
    sizes.clear();
  } else if (name == "no sizes") {
    sizes.clear();
  } else if (name == "only unusable sizes") {
    sizes = {0, -16};
  } else if (name == "depth 16") {
    depth = 16;
  } else if (name == "folder as input") {
    std::filesystem::create_directory(dir.path() / "folder.png");
    input = dir.File("folder.png");
  } else if (name == "text named png") {
    input = dir.File("notes.png");
    WriteBytes(input, {'h', 'e', 'l', 'l', 'o'});
  } else if (name == "empty picture") {
    input = dir.File("empty.png");
    WriteBytes(input, {});
  } else if (name == "missing output folder") {
    output = dir.File("no/such/folder/out.ico");
  } else if (name == "output is the input") {
    output = picture;
  } else if (name == "output is a folder") {
    std::filesystem::create_directory(dir.path() / "out.ico");
  } else if (name == "out of memory") {
    sizes = {20000};  // a canvas past the imaging limit
  }
  const auto before = dir.List();

  EXPECT_FALSE(GenerateIconFile(input, output, kNoLines, sizes, depth));

  EXPECT_EQ(recorder.messages(),
            (std::vector<RecordedMessage>{{GetParam().message, GetParam().icon}}));
  EXPECT_EQ(dir.List(), before) << "a failed run must leave no file behind";
  EXPECT_EQ(ReadBytes(picture), picture_bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Generate, GenerateFailureTest,
    ::testing::Values(
        FailureCase{"missing input", "File does not exist.", MessageIcon::kError},
        FailureCase{"missing input and no sizes", "File does not exist.", MessageIcon::kError},
        FailureCase{"no sizes", "Please select at least one icon size.", MessageIcon::kWarning},
        FailureCase{"only unusable sizes", "Please select at least one icon size.",
                    MessageIcon::kWarning},
        FailureCase{"depth 16", "Only 4-bit, 8-bit, 24-bit and 32-bit icons are supported.",
                    MessageIcon::kError},
        FailureCase{"folder as input", "Unsupported or damaged image file.", MessageIcon::kError},
        FailureCase{"text named png", "Unsupported or damaged image file.", MessageIcon::kError},
        FailureCase{"empty picture", "Unsupported or damaged image file.", MessageIcon::kError},
        FailureCase{"missing output folder", "Failed to create output icon file.",
                    MessageIcon::kError},
        FailureCase{"output is the input", "Failed to create output icon file.",
                    MessageIcon::kError},
        FailureCase{"output is a folder", "Failed to create output icon file.",
                    MessageIcon::kError},
        FailureCase{"out of memory", "Not enough memory to create the icon.", MessageIcon::kError}),
    [](const auto& info) {
      std::string name = info.param.name;
      for (char& c : name)
        if (c == ' ') c = '_';
      return name;
    });

TEST_F(GenerateIconFileTest, AFailedWriteKeepsTheOldOutputAndPropagates) {
  const std::string input = WritePicture(dir, "pic.png", Filled(8, 8, Qt::red));
  const std::string output = dir.File("out.ico");
  WriteBytes(output, {'o', 'l', 'd'});
  SetOutputFaultForTesting(OutputFault{100, FileError::Cause::kDiskFull});
  try {
    GenerateIconFile(input, output, kNoLines, {32, 16}, 8);
    ADD_FAILURE() << "the write failure did not reach the caller";
  } catch (const FileError& error) {
    EXPECT_EQ(error.cause(), FileError::Cause::kDiskFull);
    EXPECT_EQ(error.path(), output);
  }
  SetOutputFaultForTesting(std::nullopt);
  EXPECT_EQ(ReadBytes(output), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"out.ico", "pic.png"}));
}

TEST_F(GenerateIconFileTest, LinesTakeTheirNumbersPerSizeAndAreDeterministic) {
  const std::string input = WritePicture(dir, "pic.png", Filled(32, 32, Qt::white));
  const std::string plain = dir.File("plain.ico");
  ASSERT_TRUE(GenerateIconFile(input, plain, kNoLines, {32, 16}, 32));

  const LineOverlaySettings none{true, 0, 0, 255};
  LineRandom::Seed(42);
  ASSERT_TRUE(GenerateIconFile(input, dir.File("none.ico"), none, {32, 16}, 32));
  EXPECT_EQ(LineRandom::State(), 42u) << "0..0 lines must draw no number";
  EXPECT_EQ(ReadBytes(dir.File("none.ico")), ReadBytes(plain));

  const LineOverlaySettings three{true, 3, 3, 0x00FF0000};  // blue
  LineRandom::Seed(42);
  ASSERT_TRUE(GenerateIconFile(input, dir.File("a.ico"), three, {32, 16}, 32));
  uint32_t after = LineRandom::State();
  LineRandom::Seed(42);
  for (int i = 0; i < 2 * (1 + 12); ++i) LineRandom::Next();
  EXPECT_EQ(after, LineRandom::State()) << "3 lines on 2 sizes take 26 numbers";

  LineRandom::Seed(42);
  ASSERT_TRUE(GenerateIconFile(input, dir.File("b.ico"), three, {32, 16}, 32));
  const auto lined = ReadBytes(dir.File("a.ico"));
  EXPECT_EQ(lined, ReadBytes(dir.File("b.ico")));
  EXPECT_NE(lined, ReadBytes(plain));
  // Line pixels are bluer than the white picture: some pixel lost red.
  bool found_line = false;
  for (std::size_t i = 6 + 32 + 40; i + 3 < 6 + 32 + 40 + 4096; i += 4)
    found_line |= lined[i + 2] < 200 && lined[i] > 200;
  EXPECT_TRUE(found_line);
}

TEST_F(GenerateIconFileTest, ReplacesAnExistingOutputWhole) {
  const std::string input = WritePicture(dir, "pic.bmp", Filled(5, 3, Qt::black));
  const std::string output = dir.File("out.ico");
  WriteBytes(output, std::vector<uint8_t>(100000, 0xEE));
  ASSERT_TRUE(GenerateIconFile(input, output, kNoLines, {16}, 4));
  const auto file = ReadBytes(output);
  EXPECT_EQ(file.size(), 6u + 16 + 40 + 64 + 128 + 64);
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"out.ico", "pic.bmp"}));
}

}  // namespace
}  // namespace zelmor
