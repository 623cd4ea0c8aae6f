// Damaged and hostile pictures through the picture-to-icon engine, lines on.
// Each run happens in a child process: the engine must report the defined
// message and leave no output behind, or, for a picture its decoder can still
// read, write a complete icon; either way within the imaging limit's memory.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "generate/generate_icon.h"
#include "overlay/decode_icon_entry.h"
#include "overlay/ico_reader.h"
#include "platform/imaging.h"
#include "platform/line_random.h"
#include "tests/badinput/bad_files.h"
#include "tests/badinput/isolated_run.h"
#include "tests/support/picture_writer.h"
#include "tests/support/raw_png.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::IsolatedOutcome;
using testing::PeakGrowthLimit;
using testing::PictureFileBytes;
using testing::RecordedMessage;
using testing::RunIsolated;
using testing::TempDir;
using testing::WriteBytes;

using Bytes = std::vector<uint8_t>;

const RecordedMessage kDamaged{"Unsupported or damaged image file.", MessageIcon::kError};

enum class Expect {
  kMessage,        // exactly `message`, no output
  kIcon,           // a complete icon, no message
  kMessageOrIcon,  // a cut file some decoders still read: either of the above
};

struct PictureCase {
  const char* name;
  std::string fileName;
  // Makes the input at the given path (or leaves it missing).
  std::function<void(const std::string&)> make;
  Expect expect = Expect::kMessage;
  RecordedMessage message = kDamaged;
  std::vector<int32_t> sizes = {48, 16};
  int32_t depth = 32;
};

void PrintTo(const PictureCase& c, std::ostream* os) {
  *os << c.name;
}

std::function<void(const std::string&)> FileOf(Bytes bytes) {
  return [bytes](const std::string& path) { WriteBytes(path, bytes); };
}

Bytes Cut(Bytes bytes, std::size_t keep) {
  bytes.resize(std::min(bytes.size(), keep));
  return bytes;
}

// Reads a written icon back and checks it holds `sizes` in order, each entry
// decoding as the square it announces.
void ExpectCompleteIcon(const std::string& path, const std::vector<int32_t>& sizes) {
  const std::optional<IcoFileImage> file = ReadIcoFile(path);
  ASSERT_TRUE(file.has_value());
  ASSERT_EQ(file->entryCount, sizes.size());
  const ImagingSession imaging;
  for (uint32_t i = 0; i < file->entryCount; ++i) {
    const auto block = IconEntryBytes(*file, i);
    ASSERT_TRUE(block.has_value());
    int32_t width = 0;
    int32_t height = 0;
    ASSERT_TRUE(
        DecodeIconEntry(block->data(), static_cast<uint32_t>(block->size()), width, height));
    EXPECT_EQ(width, sizes[i]);
    EXPECT_EQ(height, sizes[i]);
  }
}

class PictureBadInput : public ::testing::TestWithParam<PictureCase> {};

TEST_P(PictureBadInput, ReportsTheDefinedMessageOrWritesACompleteIcon) {
  const PictureCase& c = GetParam();
  TempDir dir;
  const std::string input = dir.File(c.fileName);
  const std::string output = dir.File("output.ico");
  c.make(input);
  const auto before = dir.List();
  const IsolatedOutcome outcome = RunIsolated([&] {
    LineRandom::Seed(7);
    return GenerateIconFile(input, output, {true, 1, 3, 0x0000FF}, c.sizes, c.depth);
  });
  ASSERT_EQ(outcome.abnormalEnd, "");
  EXPECT_LT(outcome.peakGrowthBytes, PeakGrowthLimit())
      << "peak memory grew by " << (outcome.peakGrowthBytes >> 20) << " MiB";

  const bool wroteIcon = outcome.result;
  if (c.expect == Expect::kMessage) {
    EXPECT_FALSE(wroteIcon);
  } else if (c.expect == Expect::kIcon) {
    EXPECT_TRUE(wroteIcon);
  }
  if (wroteIcon) {
    EXPECT_EQ(outcome.messages, std::vector<RecordedMessage>{});
    ExpectCompleteIcon(output, c.sizes);
    std::vector<std::string> after = before;
    after.push_back("output.ico");
    std::sort(after.begin(), after.end());
    EXPECT_EQ(dir.List(), after) << "a temporary file was left";
  } else {
    EXPECT_EQ(outcome.messages, std::vector<RecordedMessage>{c.message});
    EXPECT_EQ(dir.List(), before) << "an output or temporary file was left";
  }
}

// Every format the picture fixtures write, each as a file named for it.
const std::vector<std::string> kFormats = {"png", "jpg", "bmp",  "gif",  "webp", "tiff",
                                           "tga", "ico", "heic", "avif", "jxl"};

std::vector<PictureCase> InputFailures() {
  const Bytes png = PictureFileBytes("png");
  return {
      {"Missing",
       "missing.png",
       [](const std::string&) {},
       Expect::kMessage,
       {"File does not exist.", MessageIcon::kError}},
      {"NoSizes",
       "picture.png",
       FileOf(png),
       Expect::kMessage,
       {"Please select at least one icon size.", MessageIcon::kWarning},
       {}},
      {"OnlySizesBelowOne",
       "picture.png",
       FileOf(png),
       Expect::kMessage,
       {"Please select at least one icon size.", MessageIcon::kWarning},
       {0, -16}},
      {"Depth16",
       "picture.png",
       FileOf(png),
       Expect::kMessage,
       {"Only 4-bit, 8-bit, 24-bit and 32-bit icons are supported.", MessageIcon::kError},
       {48},
       16},
      {"Depth0",
       "picture.png",
       FileOf(png),
       Expect::kMessage,
       {"Only 4-bit, 8-bit, 24-bit and 32-bit icons are supported.", MessageIcon::kError},
       {48},
       0},
      {"MissingWithNoSizesAndBadDepth",
       "missing.png",
       [](const std::string&) {},
       Expect::kMessage,
       {"File does not exist.", MessageIcon::kError},
       {},
       7},
      {"Directory", "folder.png", [](const std::string& path) { ::mkdir(path.c_str(), 0700); }},
      {"TextNamedPng", "notes.png", FileOf({'h', 'e', 'l', 'l', 'o', '\n'})},
      {"ZeroBytesNamedIco", "empty.ico", FileOf({})},
  };
}

std::vector<PictureCase> EmptyAndCutPictures() {
  std::vector<PictureCase> cases;
  static std::vector<std::string> names;  // gtest keeps the case names as pointers
  names.reserve(3 * kFormats.size());
  for (const std::string& format : kFormats) {
    const Bytes bytes = PictureFileBytes(format);
    const std::string file = "picture." + format;
    names.push_back("Empty_" + format);
    cases.push_back({names.back().c_str(), file, FileOf({})});
    names.push_back("FirstBytesOf_" + format);
    cases.push_back({names.back().c_str(), file, FileOf(Cut(bytes, 12))});
    names.push_back("HalfOf_" + format);
    cases.push_back(
        {names.back().c_str(), file, FileOf(Cut(bytes, bytes.size() / 2)), Expect::kMessageOrIcon});
  }
  return cases;
}

// A pixel array of `rows` rows of `rowBytes` bytes, every byte `value`.
Bytes Rows(std::size_t rows, std::size_t rowBytes, uint8_t value = 0x42) {
  return Bytes(rows * rowBytes, value);
}

// A 34-byte lossless WebP (found by fuzzing) whose header declares
// 16376 x 16384 and whose 9 bytes of entropy-coded data fill all of it.
Bytes TinyWebpAtTheLimit() {
  return {'R',  'I',  'F',  'F',  26,   0,    0,    0,    'W',  'E',  'B',  'P',
          'V',  'P',  '8',  'L',  13,   0,    0,    0,    0x2F, 0xF7, 0xFF, 0xFF,
          0x0F, 0x07, 0x10, 0x11, 0x11, 0x88, 0x88, 0xFE, 0x07, 0x00};
}

std::vector<PictureCase> HostilePictures() {
  using testing::BmpFile;
  return {
      // Sides whose pixel count overflows, or passes the imaging limit, with tiny data.
      {"BmpDeclaring65535Square", "huge.bmp", FileOf(BmpFile(65535, 65535, 24, 0, 0, Rows(1, 8)))},
      {"BmpDeclaringMaxIntSides", "huge.bmp",
       FileOf(BmpFile(0x7FFFFFFF, 0x7FFFFFFF, 32, 0, 0, Rows(1, 8)))},
      {"BmpAtTheLimitWithTinyData", "huge.bmp",
       FileOf(BmpFile(16384, 16384, 32, 0, 0, Rows(1, 64)))},
      {"BmpTopDownHugeTinyData", "huge.bmp", FileOf(BmpFile(40000, -40000, 24, 0, 0, Rows(1, 64)))},
      {"PngDeclaring65535Square", "huge.png", FileOf(testing::PngDeclaring(65535, 65535))},
      {"PngAtTheLimitWithoutData", "huge.png", FileOf(testing::PngDeclaring(16384, 16384))},
      {"GifDeclaring65535Square", "huge.gif", FileOf(testing::GifDeclaring(65535, 65535))},
      {"JpegDeclaring65000Square", "huge.jpg", FileOf(testing::JpegDeclaring(65000, 65000))},
      {"HeicDeclaring65535Square", "huge.heic",
       FileOf(testing::IsoPictureDeclaring("heic", 65535, 65535))},
      {"HeicDeclaringOneRowPastTheLimit", "over.heic",
       FileOf(testing::IsoPictureDeclaring("heic", 16384, 16385))},
      {"AvifDeclaring65535Square", "huge.avif",
       FileOf(testing::IsoPictureDeclaring("avif", 65535, 65535))},
      {"AvifDeclaringOneRowPastTheLimit", "over.avif",
       FileOf(testing::IsoPictureDeclaring("avif", 16384, 16385))},
      {"JxlDeclaring65535Square", "huge.jxl", FileOf(testing::JxlDeclaring(65535, 65535))},
      {"JxlDeclaringOneRowPastTheLimit", "over.jxl", FileOf(testing::JxlDeclaring(16384, 16385))},
      {"JxlAtTheLimitWithoutPixels", "limit.jxl", FileOf(testing::JxlDeclaring(16384, 16384))},
      // Depths a BMP may not have, each with as many bytes as its header implies.
      {"BmpBitCount0", "depth.bmp", FileOf(BmpFile(8, 8, 0, 0, 0, Rows(8, 32)))},
      {"BmpBitCount3", "depth.bmp", FileOf(BmpFile(8, 8, 3, 0, 8, Rows(8, 4)))},
      {"BmpBitCount65535", "depth.bmp", FileOf(BmpFile(2, 2, 65535, 0, 0, Rows(2, 16384)))},
      // Depths it may have, for contrast: read (2 bits as Windows CE writes them).
      {"BmpBitCount2", "depth.bmp", FileOf(BmpFile(8, 8, 2, 0, 4, Rows(8, 4))), Expect::kIcon},
      {"BmpBitCount16", "depth.bmp", FileOf(BmpFile(8, 8, 16, 0, 0, Rows(8, 16))), Expect::kIcon},
      // Run-length codes that jump far past the picture and runs past its rows.
      {"RunLengthBmpJumpsOut", "jump.bmp",
       FileOf(BmpFile(64, 64, 8, 1, 2, {0, 2, 255, 255, 0, 2, 255, 255, 255, 1, 0, 1})),
       Expect::kIcon},
      // A TGA at the limit whose few run-length packets paint a little of it.
      {"RunLengthTgaAtTheLimit", "sparse.tga",
       FileOf({0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 0, 0x40, 24, 0x20, 0xFF, 1, 2, 3}),
       Expect::kIcon},
      {"TgaDeclaring65535Square", "huge.tga",
       FileOf({0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 32, 8, 1, 2, 3, 4})},
      // Palette indices past a 2-entry palette: read, the indices clamped or black.
      {"BmpIndicesPastThePalette", "palette.bmp", FileOf(BmpFile(8, 8, 8, 0, 2, Rows(8, 8, 200))),
       Expect::kIcon},
      // A run-length picture of the largest size the imaging limit admits, in
      // four bytes of data: legitimately decoded (every pixel palette entry
      // 0), and the largest memory any picture can make the engine take.
      {"RunLengthBmpAtTheLimit", "sparse.bmp", FileOf(BmpFile(16384, 16384, 8, 1, 2, {0, 0, 0, 1})),
       Expect::kIcon},
      // The same from a real decoder that writes every pixel.
      {"TinyWebpAtTheLimit", "tiny.webp", FileOf(TinyWebpAtTheLimit()), Expect::kIcon},
  };
}

INSTANTIATE_TEST_SUITE_P(InputFailures, PictureBadInput, ::testing::ValuesIn(InputFailures()),
                         [](const auto& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(EmptyAndCut, PictureBadInput, ::testing::ValuesIn(EmptyAndCutPictures()),
                         [](const auto& info) { return std::string(info.param.name); });
// Vector documents are XML from anywhere: refused when they are no SVG or
// ask for unbounded work, drawn when merely odd.
Bytes Text(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

std::string Svg(const std::string& attributes, const std::string& body) {
  return "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' " +
         attributes + ">" + body + "</svg>";
}

std::string BillionLaughs() {
  std::string doc = "<?xml version='1.0'?><!DOCTYPE svg [<!ENTITY l0 'lol'>";
  for (int i = 1; i <= 9; ++i) {
    doc += "<!ENTITY l" + std::to_string(i) + " '";
    for (int k = 0; k < 10; ++k) doc += "&l" + std::to_string(i - 1) + ";";
    doc += "'>";
  }
  return doc + "]>" + Svg("width='16' height='16'", "<text>&l9;</text>");
}

std::string UseBomb() {
  std::string body = "<defs><rect id='u0' width='1' height='1'/>";
  for (int i = 1; i <= 9; ++i) {
    body += "<g id='u" + std::to_string(i) + "'>";
    for (int k = 0; k < 10; ++k) body += "<use xlink:href='#u" + std::to_string(i - 1) + "'/>";
    body += "</g>";
  }
  return Svg("width='16' height='16'", body + "</defs><use xlink:href='#u9'/>");
}

std::string DeepNesting(int depth) {
  std::string open;
  std::string close;
  for (int i = 0; i < depth; ++i) {
    open += "<g>";
    close += "</g>";
  }
  return Svg("width='16' height='16'", open + "<rect width='8' height='8'/>" + close);
}

std::vector<PictureCase> HostileVectors() {
  const RecordedMessage damaged = kDamaged;
  return {
      {"SvgThatIsText", "note.svg", FileOf(Text("just some words")), Expect::kMessage, damaged},
      {"SvgThatIsAPng", "renamed.svg", FileOf(testing::PngDeclaring(16, 16)), Expect::kMessage,
       damaged},
      {"SvgWithoutAnySize", "nosize.svg", FileOf(Text(Svg("", "<rect width='5' height='5'/>"))),
       Expect::kMessage, damaged},
      {"SvgCutMidTag", "cut.svg", FileOf(Cut(Text(Svg("width='8' height='8'", "<rect/>")), 40)),
       Expect::kMessage, damaged},
      {"SvgBillionLaughs", "laughs.svg", FileOf(Text(BillionLaughs())), Expect::kMessage, damaged},
      {"SvgUseBomb", "bomb.svg", FileOf(Text(UseBomb())), Expect::kMessage, damaged},
      {"SvgNestedTooDeep", "deep.svg", FileOf(Text(DeepNesting(5000))), Expect::kMessage, damaged},
      {"SvgHugeViewBox", "wide.svg",
       FileOf(Text(Svg("viewBox='0 0 1e30 1e30'", "<circle cx='5e29' cy='5e29' r='4e29'/>"))),
       Expect::kIcon},
      {"SvgReachingOutside", "outside.svg",
       FileOf(Text(Svg("width='16' height='16'",
                       "<image xlink:href='file:///etc/passwd' width='16' height='16'/>"))),
       Expect::kIcon},
  };
}

// A 300 x 200 RGBA PNG whose rows a decoder takes one by one.
testing::RawPng StreamedPng() {
  testing::RawPng png;
  png.width = 300;
  png.height = 200;
  png.sample = [](uint32_t x, uint32_t y, int s) { return (x * 7 + y * 3 + s * 50) % 256; };
  return png;
}

// The PNG with one byte of its image data's chunk flipped, `fromEnd` bytes
// before the end of that chunk (its CRC the last 4, the zlib stream's
// Adler-32 the 4 before).
Bytes StreamedPngFlipped(std::size_t fromEnd) {
  Bytes bytes = testing::WriteRawPng(StreamedPng());
  // IEND, the last chunk, is 12 bytes; the image data's chunk ends before it.
  bytes[bytes.size() - 12 - fromEnd] ^= 0x5A;
  return bytes;
}

// Pictures decoded row by row or at a reduced scale, damaged, cut short or
// declaring far more than they hold.
std::vector<PictureCase> StreamedPictures() {
  testing::RawPng cut = StreamedPng();
  cut.imageDataBytes = 500;
  const auto largeJpeg = [](std::size_t keep) {
    return [keep](const std::string& path) {
      const Bitmap noise = testing::MakeBitmap(1200, 900, [](int32_t x, int32_t y) {
        return 0xFF000000u | static_cast<uint32_t>(x * 2654435761u ^ y * 40503u);
      });
      ASSERT_TRUE(testing::WritePicture(noise, path, "jpg"));
      WriteBytes(path, Cut(testing::ReadBytes(path), keep));
    };
  };
  return {
      {"PngDeclaring20000SquareWithoutData", "huge.png",
       FileOf(testing::PngDeclaring(20000, 20000))},
      {"PngDeclaring65536Wide", "wide.png", FileOf(testing::PngDeclaring(65536, 1))},
      {"PngWithBrokenImageChecksum", "broken.png", FileOf(StreamedPngFlipped(1))},
      {"PngWithBrokenAdler32", "broken.png", FileOf(StreamedPngFlipped(5))},
      {"PngCutInsideItsRows", "cut.png", FileOf(testing::WriteRawPng(cut)),
       Expect::kMessageOrIcon},
      // Whole and cut JPEGs large enough to be decoded at 1/8 for 48 px.
      {"LargeJpeg", "large.jpg", largeJpeg(SIZE_MAX), Expect::kIcon},
      {"LargeJpegCutInHalf", "cut.jpg", largeJpeg(60000), Expect::kMessageOrIcon},
      {"JpegDeclaring16000SquareWithLittleData", "huge.jpg",
       FileOf(testing::JpegDeclaring(16000, 16000)), Expect::kMessageOrIcon},
  };
}

INSTANTIATE_TEST_SUITE_P(Streamed, PictureBadInput, ::testing::ValuesIn(StreamedPictures()),
                         [](const auto& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(Hostile, PictureBadInput, ::testing::ValuesIn(HostilePictures()),
                         [](const auto& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(Vector, PictureBadInput, ::testing::ValuesIn(HostileVectors()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelmor
