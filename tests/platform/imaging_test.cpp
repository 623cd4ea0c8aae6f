#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/imaging.h"
#include "tests/support/bmp_file.h"
#include "tests/support/gif_file.h"
#include "tests/support/picture_writer.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::MakeBitmap;
using testing::PixelAt;
using testing::TempDir;
using testing::WritePicture;

// 32 x 32 in four 16 x 16 quadrants, so that JPEG's blocks do not mix them.
enum class Alpha { kOpaque, kBinary, kTranslucent };

uint32_t QuadrantColour(Alpha alpha, int32_t x, int32_t y) {
  static constexpr uint32_t kOpaque[4] = {0xFFE03010, 0xFF20C040, 0xFF3050D0, 0xFFF0F0F0};
  static constexpr uint32_t kBinary[4] = {0xFFE03010, 0x00000000, 0xFF3050D0, 0xFFF0F0F0};
  // Straight alpha shows in the half-transparent quadrants: premultiplied,
  // their red would come out at half strength.
  static constexpr uint32_t kTranslucent[4] = {0xFFE03010, 0x80FF4020, 0x00000000, 0x40FF8040};
  const int quadrant = (y / 16) * 2 + x / 16;
  switch (alpha) {
    case Alpha::kOpaque:
      return kOpaque[quadrant];
    case Alpha::kBinary:
      return kBinary[quadrant];
    case Alpha::kTranslucent:
      return kTranslucent[quadrant];
  }
  return 0;
}

Bitmap Quadrants(Alpha alpha) {
  return MakeBitmap(32, 32, [alpha](int32_t x, int32_t y) { return QuadrantColour(alpha, x, y); });
}

int ChannelDifference(uint32_t a, uint32_t b, int shift) {
  return std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
}

struct FormatCase {
  const char* format;
  Alpha alpha;  // what the format can hold, as Qt writes it
  // Per colour channel. TIFF and ICO come out of their readers premultiplied,
  // which costs a step in half-transparent colours.
  int tolerance;
  // Lossy formats smear quadrant borders; only pixels two or more away from
  // a border are compared.
  bool interiorOnly;
};

class DecodeFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(DecodeFormatTest, DecodesToStraightBgra) {
  const FormatCase& c = GetParam();
  const ImagingSession session;
  TempDir dir;
  const std::string path = dir.File(std::string("picture.") + c.format);
  ASSERT_TRUE(WritePicture(Quadrants(c.alpha), path, c.format));

  const std::optional<Bitmap> picture = LoadPictureFile(path);
  ASSERT_TRUE(picture.has_value());
  ASSERT_EQ(picture->width(), 32);
  ASSERT_EQ(picture->height(), 32);
  EXPECT_GE(picture->stride(), 32 * 4);
  for (int32_t y = 0; y < 32; ++y) {
    for (int32_t x = 0; x < 32; ++x) {
      if (c.interiorOnly && (x % 16 < 2 || x % 16 > 13 || y % 16 < 2 || y % 16 > 13)) {
        continue;
      }
      const uint32_t want = QuadrantColour(c.alpha, x, y);
      const uint32_t got = PixelAt(*picture, x, y);
      ASSERT_EQ(got >> 24, want >> 24) << "alpha at " << x << "," << y;
      if (want >> 24 == 0) {
        continue;  // a transparent pixel's colour is not kept by every format
      }
      for (int shift = 0; shift < 24; shift += 8) {
        ASSERT_LE(ChannelDifference(got, want, shift), c.tolerance)
            << std::hex << "got " << got << " want " << want << std::dec << " at " << x << "," << y;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, DecodeFormatTest,
                         ::testing::Values(FormatCase{"png", Alpha::kTranslucent, 0, false},
                                           FormatCase{"bmp", Alpha::kOpaque, 0, false},
                                           FormatCase{"webp", Alpha::kTranslucent, 0, false},
                                           FormatCase{"tiff", Alpha::kTranslucent, 1, false},
                                           FormatCase{"tga", Alpha::kTranslucent, 0, false},
                                           FormatCase{"ico", Alpha::kTranslucent, 1, false},
                                           FormatCase{"gif", Alpha::kBinary, 0, false},
                                           FormatCase{"jpg", Alpha::kOpaque, 4, true}),
                         [](const auto& info) { return std::string(info.param.format); });

TEST(DecodePictureTest, GifGivesItsFirstFrame) {
  const ImagingSession session;
  TempDir dir;
  const Bitmap first =
      MakeBitmap(8, 4, [](int32_t x, int32_t) { return x < 4 ? 0xFFFF0000u : 0x00000000u; });
  const Bitmap second = MakeBitmap(8, 4, [](int32_t, int32_t) { return 0xFF0000FFu; });
  const std::string path = dir.File("animation.gif");
  ASSERT_TRUE(testing::WriteGif({&first, &second}, path));

  const std::optional<Bitmap> picture = LoadPictureFile(path);
  ASSERT_TRUE(picture.has_value());
  EXPECT_EQ(PixelAt(*picture, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(*picture, 7, 3) >> 24, 0u);
}

// Before an animation runs, browsers show the first frame's region on a
// clear screen: not the background colour the file names.
TEST(DecodePictureTest, GifFrameSmallerThanTheScreenLeavesTheRestClear) {
  const ImagingSession session;
  TempDir dir;
  for (const std::optional<uint8_t> transparent :
       {std::optional<uint8_t>(), std::optional<uint8_t>(2)}) {
    testing::GifSpec spec;
    spec.screenWidth = 6;
    spec.screenHeight = 4;
    spec.palette = {0x0000FF, 0xFF0000, 0x00FF00};
    spec.background = 1;
    spec.transparent = transparent;
    spec.left = 3;
    spec.top = 1;
    spec.width = 2;
    spec.height = 2;
    spec.indices = {0, 0, 0, 2};
    const std::string path = dir.File("frame.gif");
    testing::WriteBytes(path, testing::BuildGif(spec));
    const std::optional<Bitmap> picture = LoadPictureFile(path);
    ASSERT_TRUE(picture.has_value());
    ASSERT_EQ(picture->width(), 6);
    ASSERT_EQ(picture->height(), 4);
    for (int32_t y = 0; y < 4; ++y) {
      for (int32_t x = 0; x < 6; ++x) {
        uint32_t want = 0;
        if (x >= 3 && x < 5 && y >= 1 && y < 3) {
          want = x == 4 && y == 2 ? (transparent ? 0 : 0xFF00FF00) : 0xFF0000FF;
        }
        const uint32_t got = PixelAt(*picture, x, y);
        EXPECT_EQ(want == 0 ? got >> 24 : got, want == 0 ? 0 : want)
            << std::hex << got << std::dec << " at " << x << "," << y
            << (transparent ? " with" : " without") << " a transparent index";
      }
    }
  }
}

// Whatever layout the PNG has, the result is 32-bit straight BGRA.
TEST(DecodePictureTest, EveryPngLayoutEndsAsStraightBgra) {
  const ImagingSession session;
  QImage translucent(3, 2, QImage::Format_ARGB32);
  translucent.fill(QColor::fromRgba(0x80FF4020));
  QImage opaque(3, 2, QImage::Format_RGB32);
  opaque.fill(QColor::fromRgba(0xFF102030));
  QImage grey(3, 2, QImage::Format_Grayscale8);
  grey.fill(QColor::fromRgba(0xFF777777));
  QImage paletted(3, 2, QImage::Format_Indexed8);
  paletted.setColorTable({0xFF0000FF, 0x40FF0000});
  paletted.fill(1);
  QImage deep(3, 2, QImage::Format_RGBA64);
  deep.fill(QColor::fromRgba(0x80FF4020));
  const struct {
    const char* name;
    QImage image;
    uint32_t want;
  } cases[] = {{"argb32", translucent, 0x80FF4020},
               {"rgb32", opaque, 0xFF102030},
               {"grey", grey, 0xFF777777},
               {"paletted", paletted, 0x40FF0000},
               {"16-bit", deep, 0x80FF4020}};
  for (const auto& c : cases) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(c.image.save(&buffer, "png")) << c.name;
    const std::optional<Bitmap> picture =
        DecodePngBytes(reinterpret_cast<const uint8_t*>(bytes.constData()),
                       static_cast<std::size_t>(bytes.size()));
    ASSERT_TRUE(picture.has_value()) << c.name;
    ASSERT_EQ(picture->width(), 3) << c.name;
    ASSERT_EQ(picture->height(), 2) << c.name;
    EXPECT_EQ(PixelAt(*picture, 2, 1), c.want)
        << c.name << std::hex << " got " << PixelAt(*picture, 2, 1);
  }
}

TEST(DecodePictureTest, NonAsciiPathsAreUtf8) {
  const ImagingSession session;
  TempDir dir;
  const std::string path = dir.File("图标 picture.png");
  ASSERT_TRUE(WritePicture(Quadrants(Alpha::kOpaque), path, "png"));
  EXPECT_TRUE(LoadPictureFile(path).has_value());
}

// The decoder chooses by content: a PNG named .jpg is still a PNG.
TEST(DecodePictureTest, ContentDecidesTheFormat) {
  const ImagingSession session;
  TempDir dir;
  const std::string path = dir.File("really_a_png.jpg");
  ASSERT_TRUE(WritePicture(Quadrants(Alpha::kTranslucent), path, "png"));
  const std::optional<Bitmap> picture = LoadPictureFile(path);
  ASSERT_TRUE(picture.has_value());
  EXPECT_EQ(PixelAt(*picture, 20, 4), 0x80FF4020u);
}

// ---- Pictures that must not decode ----

void Put32BigEndian(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<uint8_t>(value >> shift));
  }
}

// A PNG signature and a valid IHDR chunk for an 8-bit RGBA picture of the
// given size, followed by a few bytes of nothing.
std::vector<uint8_t> PngHeaderDeclaring(uint32_t width, uint32_t height) {
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Put32BigEndian(out, 13);
  const std::size_t typeAt = out.size();
  out.insert(out.end(), {'I', 'H', 'D', 'R'});
  Put32BigEndian(out, width);
  Put32BigEndian(out, height);
  out.insert(out.end(), {8, 6, 0, 0, 0});
  Put32BigEndian(out, testing::PngCrc32(out.data() + typeAt, out.size() - typeAt));
  out.insert(out.end(), 16, 0);
  return out;
}

// A 40-byte-header BMP of 32 bits a pixel declaring the given size, with a
// few bytes of pixels.
std::vector<uint8_t> BmpHeaderDeclaring(int32_t width, int32_t height) {
  std::vector<uint8_t> out = {'B', 'M'};
  auto put32 = [&out](uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
      out.push_back(static_cast<uint8_t>(value >> shift));
    }
  };
  const uint32_t image = static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * 4;
  put32(54 + image);
  put32(0);
  put32(54);
  put32(40);
  put32(static_cast<uint32_t>(width));
  put32(static_cast<uint32_t>(height));
  out.insert(out.end(), {1, 0, 32, 0});
  put32(0);  // BI_RGB
  put32(image);
  put32(2835);
  put32(2835);
  put32(0);
  put32(0);
  out.insert(out.end(), 64, 0x7F);
  return out;
}

std::vector<uint8_t> ValidPng() {
  return testing::EncodePng(Quadrants(Alpha::kTranslucent));
}

// Peak resident memory of the process so far, in bytes.
uint64_t PeakMemory() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<uint64_t>(usage.ru_maxrss) * 1024;
}

constexpr uint64_t kSlack = uint64_t{64} << 20;

struct BadFileCase {
  const char* name;
  std::function<std::string(const TempDir&)> make;  // returns the path to load
};

class UndecodableFileTest : public ::testing::TestWithParam<BadFileCase> {};

TEST_P(UndecodableFileTest, GivesNothingWithoutTakingMemory) {
  const ImagingSession session;
  TempDir dir;
  const std::string path = GetParam().make(dir);
  const uint64_t before = PeakMemory();
  EXPECT_FALSE(LoadPictureFile(path).has_value());
  EXPECT_LT(PeakMemory(), before + kSlack);
}

std::string Write(const TempDir& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = dir.File(name);
  testing::WriteBytes(path, bytes);
  return path;
}

std::vector<uint8_t> FirstHalf(std::vector<uint8_t> bytes) {
  bytes.resize(bytes.size() / 2);
  return bytes;
}

std::vector<uint8_t> PictureBytes(const TempDir& dir, const char* format, Alpha alpha) {
  const std::string path = dir.File(std::string("whole.") + format);
  if (!WritePicture(Quadrants(alpha), path, format)) {
    return {};
  }
  return testing::ReadBytes(path);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, UndecodableFileTest,
    ::testing::Values(
        BadFileCase{"Folder",
                    [](const TempDir& dir) {
                      std::filesystem::create_directory(dir.path() / "folder.png");
                      return dir.File("folder.png");
                    }},
        BadFileCase{"Missing", [](const TempDir& dir) { return dir.File("missing.png"); }},
        BadFileCase{"TextNamedPng",
                    [](const TempDir& dir) {
                      const std::string text = "This is not a picture.\n";
                      return Write(dir, "text.png", {text.begin(), text.end()});
                    }},
        BadFileCase{"EmptyFile", [](const TempDir& dir) { return Write(dir, "empty.png", {}); }},
        BadFileCase{
            "TruncatedPng",
            [](const TempDir& dir) { return Write(dir, "cut.png", FirstHalf(ValidPng())); }},
        BadFileCase{"TruncatedWebp",
                    [](const TempDir& dir) {
                      return Write(dir, "cut.webp",
                                   FirstHalf(PictureBytes(dir, "webp", Alpha::kTranslucent)));
                    }},
        BadFileCase{"PngDeclaring65535Squared",
                    [](const TempDir& dir) {
                      return Write(dir, "huge.png", PngHeaderDeclaring(65535, 65535));
                    }},
        BadFileCase{"PngDeclaring16385By16384",
                    [](const TempDir& dir) {
                      return Write(dir, "over.png", PngHeaderDeclaring(16385, 16384));
                    }},
        BadFileCase{"BmpDeclaring20000Squared",
                    [](const TempDir& dir) {
                      return Write(dir, "huge.bmp", BmpHeaderDeclaring(20000, 20000));
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

// A cut BMP or TGA gives the rows it holds; the rows it lacks are clear,
// never what memory held. The BMP stores its bottom row first, the TGA its top.
TEST(DecodePictureTest, CutBmpAndTgaKeepTheRowsTheyHold) {
  const ImagingSession session;
  TempDir dir;
  const struct {
    const char* format;
    Alpha alpha;
    bool topStoredFirst;
  } cases[] = {{"bmp", Alpha::kOpaque, false}, {"tga", Alpha::kTranslucent, true}};
  for (const auto& c : cases) {
    std::vector<uint8_t> bytes = PictureBytes(dir, c.format, c.alpha);
    ASSERT_FALSE(bytes.empty()) << c.format;
    // Headers and the first 10 stored rows, and half of the next one. Where
    // the pixels start and how deep they are, as the writer chose.
    const std::size_t pixelsAt = c.topStoredFirst ? 18 + bytes[0] : bytes[10] | bytes[11] << 8;
    const std::size_t bits = c.topStoredFirst ? bytes[16] : bytes[28];
    const std::size_t rowBytes = 32 * bits / 8;
    bytes.resize(pixelsAt + 10 * rowBytes + rowBytes / 2);
    const std::optional<Bitmap> picture =
        LoadPictureFile(Write(dir, std::string("cut.") + c.format, bytes));
    ASSERT_TRUE(picture.has_value()) << c.format;
    for (int32_t stored = 0; stored < 32; ++stored) {
      const int32_t y = c.topStoredFirst ? stored : 31 - stored;
      for (int32_t x = 0; x < 32; ++x) {
        const bool held = stored < 10 || (stored == 10 && x < 16);
        ASSERT_EQ(PixelAt(*picture, x, y), held ? QuadrantColour(c.alpha, x, y) : 0u)
            << c.format << " at " << x << "," << y;
      }
    }
  }
}

TEST(DecodePngBytesTest, DecodesPngAndNothingElse) {
  const ImagingSession session;
  const std::vector<uint8_t> png = ValidPng();
  const std::optional<Bitmap> picture = DecodePngBytes(png.data(), png.size());
  ASSERT_TRUE(picture.has_value());
  EXPECT_EQ(PixelAt(*picture, 20, 4), 0x80FF4020u);

  TempDir dir;
  const std::vector<uint8_t> bmp = PictureBytes(dir, "bmp", Alpha::kOpaque);
  ASSERT_FALSE(bmp.empty());
  EXPECT_FALSE(DecodePngBytes(bmp.data(), bmp.size()).has_value());
  EXPECT_FALSE(DecodePngBytes(png.data(), 0).has_value());
  const std::vector<uint8_t> cut = FirstHalf(png);
  EXPECT_FALSE(DecodePngBytes(cut.data(), cut.size()).has_value());
}

TEST(DecodePngBytesTest, RefusesHugeDeclaredSizeWithoutTakingMemory) {
  const ImagingSession session;
  const std::vector<uint8_t> huge = PngHeaderDeclaring(65535, 65535);
  const uint64_t before = PeakMemory();
  EXPECT_FALSE(DecodePngBytes(huge.data(), huge.size()).has_value());
  EXPECT_LT(PeakMemory(), before + kSlack);
}

}  // namespace
}  // namespace zelmor
