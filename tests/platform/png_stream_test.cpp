#include "platform/png_stream.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <new>
#include <optional>
#include <ostream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/imaging.h"
#include "platform/png_row_filter.h"
#include "tests/support/bmp_file.h"
#include "tests/support/picture_writer.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::MakeBitmap;
using testing::PixelAt;
using testing::PngCrc32;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

// Pixels as the encoder takes them, with room for rows wider than the picture.
struct Pixels {
  int32_t width;
  int32_t height;
  int32_t stride;
  std::vector<uint8_t> bytes;

  uint32_t At(int32_t x, int32_t y) const {
    const uint8_t* p =
        &bytes[static_cast<std::size_t>(y) * stride + 4 * static_cast<std::size_t>(x)];
    return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
  }
};

// `argb(x, y)` (0xAARRGGBB) at every pixel; the bytes past each row, when the
// stride leaves any, are filled with 0xA5 so that reading them would show.
Pixels MakePixels(int32_t width, int32_t height, int32_t stride,
                  const std::function<uint32_t(int32_t, int32_t)>& argb) {
  Pixels pixels{width, height, stride,
                std::vector<uint8_t>(static_cast<std::size_t>(stride) * height, 0xA5)};
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t c = argb(x, y);
      uint8_t* p =
          &pixels.bytes[static_cast<std::size_t>(y) * stride + 4 * static_cast<std::size_t>(x)];
      p[0] = static_cast<uint8_t>(c);
      p[1] = static_cast<uint8_t>(c >> 8);
      p[2] = static_cast<uint8_t>(c >> 16);
      p[3] = static_cast<uint8_t>(c >> 24);
    }
  }
  return pixels;
}

std::vector<uint8_t> Encode(const Pixels& p) {
  return EncodePngStream(p.bytes.data(), p.width, p.height, p.stride);
}

// A fixed pseudo-random value per pixel (a 32-bit integer hash of x and y).
uint32_t Noise(int32_t x, int32_t y) {
  uint32_t h = static_cast<uint32_t>(x) * 0x9E3779B1u ^ static_cast<uint32_t>(y) * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  return h ^ (h >> 15);
}

// Smooth gradients, a little grain and a soft round edge, as a resized
// picture looks; rows of it favour different filter types.
uint32_t Gradient(int32_t x, int32_t y, int32_t side) {
  const uint32_t grain = Noise(x, y) >> 29;
  const uint32_t r = (static_cast<uint32_t>(x) * 255 / side + grain) & 0xFF;
  const uint32_t g = (static_cast<uint32_t>(y) * 255 / side + grain) & 0xFF;
  const uint32_t b = static_cast<uint32_t>((x + y) * 127 / side) & 0xFF;
  const int64_t dx = x - side / 2, dy = y - side / 2, r2 = int64_t{side / 2} * (side / 2);
  const int64_t d2 = dx * dx + dy * dy;
  const uint32_t a = d2 < r2 * 8 / 10 ? 255 : d2 < r2 ? 128 : 0;
  return a << 24 | r << 16 | g << 8 | b;
}

// Flat shapes on a transparent ground, as icon artwork is drawn.
uint32_t Artwork(int32_t x, int32_t y) {
  if (x < 16 || y < 16 || x >= 240 || y >= 240) {
    return 0x00000000;
  }
  const int32_t dx = x - 128, dy = y - 128;
  if (dx * dx + dy * dy < 70 * 70) {
    return (y > 100 && x > 80 && x < 176) ? 0xFFE63C28 : 0xFFFAFAFA;
  }
  return 0xFF2878DC;
}

struct PictureCase {
  const char* name;
  int32_t width;
  int32_t height;
  int32_t padding;  // bytes past each row
  std::function<uint32_t(int32_t, int32_t)> argb;
};

const PictureCase kPictures[] = {
    {"Opaque", 40, 30, 0,
     [](int32_t x, int32_t y) {
       return 0xFF000000 | (Noise(x, y) & 0x3F3F3F) | uint32_t(x * 6) << 16;
     }},
    {"HalfTransparent", 33, 33, 0,
     [](int32_t x, int32_t y) { return 0x80000000 | (Noise(x, y) & 0xFFFFFF); }},
    // Colour bytes under alpha 0 are kept: a premultiplying step would zero them.
    {"TransparentWithColour", 24, 24, 0,
     [](int32_t x, int32_t y) { return Noise(x, y) & 0x00FFFFFF; }},
    {"AnyAlpha", 48, 48, 0, [](int32_t x, int32_t y) { return Noise(x, y); }},
    {"OnePixel", 1, 1, 0, [](int32_t, int32_t) { return 0x7F102030u; }},
    {"OneRow", 300, 1, 0, [](int32_t x, int32_t y) { return Noise(x, y); }},
    {"OneColumn", 1, 300, 0, [](int32_t x, int32_t y) { return Noise(x, y); }},
    {"Wide", 97, 13, 0, [](int32_t x, int32_t y) { return Gradient(x, y, 97); }},
    {"Tall", 13, 97, 0, [](int32_t x, int32_t y) { return Gradient(x, y, 97); }},
    {"StrideLongerThanRow", 37, 21, 12, [](int32_t x, int32_t y) { return Noise(x, y); }},
    {"Gradient256", 256, 256, 0, [](int32_t x, int32_t y) { return Gradient(x, y, 256); }},
    {"Artwork256", 256, 256, 8, Artwork},
    {"Noise256", 256, 256, 0, [](int32_t x, int32_t y) { return Noise(x, y); }},
};

void PrintTo(const PictureCase& c, std::ostream* os) {
  *os << c.name;
}

Pixels PixelsOf(const PictureCase& c) {
  return MakePixels(c.width, c.height, c.width * 4 + c.padding, c.argb);
}

class PngStreamPicture : public ::testing::TestWithParam<PictureCase> {};

TEST_P(PngStreamPicture, QtDecodesTheSamePixels) {
  const Pixels pixels = PixelsOf(GetParam());
  const std::vector<uint8_t> png = Encode(pixels);
  const ImagingSession session;
  const std::optional<Bitmap> decoded = DecodePngBytes(png.data(), png.size());
  ASSERT_TRUE(decoded.has_value());
  ASSERT_EQ(decoded->width(), pixels.width);
  ASSERT_EQ(decoded->height(), pixels.height);
  for (int32_t y = 0; y < pixels.height; ++y) {
    for (int32_t x = 0; x < pixels.width; ++x) {
      ASSERT_EQ(PixelAt(*decoded, x, y), pixels.At(x, y)) << "at " << x << "," << y;
    }
  }
}

// A second, independent decoder: Pillow, writing the raw RGBA bytes it reads.
TEST_P(PngStreamPicture, PillowDecodesTheSamePixels) {
  if (access("/usr/bin/python3", X_OK) != 0 ||
      std::system("/usr/bin/python3 -c 'import PIL' 2>/dev/null") != 0) {
    GTEST_SKIP() << "Pillow (/usr/bin/python3) is not installed";
  }
  const Pixels pixels = PixelsOf(GetParam());
  TempDir dir;
  const std::string png = dir.File("picture.png");
  const std::string raw = dir.File("picture.rgba");
  WriteBytes(png, Encode(pixels));
  const std::string command =
      "/usr/bin/python3 -c \"import sys; from PIL import Image; im = Image.open(sys.argv[1]); "
      "assert im.mode == 'RGBA', im.mode; open(sys.argv[2], 'wb').write(im.tobytes())\" '" +
      png + "' '" + raw + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::vector<uint8_t> rgba = ReadBytes(raw);
  ASSERT_EQ(rgba.size(), std::size_t{4} * pixels.width * pixels.height);
  for (int32_t y = 0; y < pixels.height; ++y) {
    for (int32_t x = 0; x < pixels.width; ++x) {
      const uint8_t* p = &rgba[(static_cast<std::size_t>(y) * pixels.width + x) * 4];
      const uint32_t argb =
          uint32_t{p[3]} << 24 | uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
      ASSERT_EQ(argb, pixels.At(x, y)) << "at " << x << "," << y;
    }
  }
}

uint32_t Big32(const std::vector<uint8_t>& b, std::size_t at) {
  return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}

TEST_P(PngStreamPicture, HoldsOnlyIhdrIdatIendWithValidCrcs) {
  const Pixels pixels = PixelsOf(GetParam());
  const std::vector<uint8_t> png = Encode(pixels);
  const std::vector<uint8_t> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  ASSERT_GE(png.size(), signature.size());
  ASSERT_TRUE(std::equal(signature.begin(), signature.end(), png.begin()));

  std::vector<std::string> types;
  std::size_t at = signature.size();
  while (at < png.size()) {
    ASSERT_LE(at + 12, png.size());
    const uint32_t length = Big32(png, at);
    ASSERT_LE(at + 12 + uint64_t{length}, png.size());
    const std::string type(png.begin() + at + 4, png.begin() + at + 8);
    EXPECT_EQ(Big32(png, at + 8 + length), PngCrc32(&png[at + 4], 4 + std::size_t{length})) << type;
    if (type == "IHDR") {
      ASSERT_EQ(length, 13u);
      EXPECT_EQ(Big32(png, at + 8), static_cast<uint32_t>(pixels.width));
      EXPECT_EQ(Big32(png, at + 12), static_cast<uint32_t>(pixels.height));
      EXPECT_EQ(png[at + 16], 8) << "bit depth";
      EXPECT_EQ(png[at + 17], 6) << "colour type";
      EXPECT_EQ(png[at + 18], 0) << "compression";
      EXPECT_EQ(png[at + 19], 0) << "filter method";
      EXPECT_EQ(png[at + 20], 0) << "interlace";
    }
    if (type == "IEND") {
      EXPECT_EQ(length, 0u);
    }
    types.push_back(type);
    at += 12 + std::size_t{length};
  }
  ASSERT_GE(types.size(), 3u);
  EXPECT_EQ(types.front(), "IHDR");
  EXPECT_EQ(types.back(), "IEND");
  for (std::size_t i = 1; i + 1 < types.size(); ++i) {
    EXPECT_EQ(types[i], "IDAT") << "chunk " << i;
  }
}

// The bytes depend on the pixels alone: not on an earlier call, nor on what
// lies past the end of each row.
TEST_P(PngStreamPicture, SamePixelsGiveTheSameBytes) {
  const PictureCase& c = GetParam();
  const Pixels pixels = PixelsOf(c);
  const std::vector<uint8_t> first = Encode(pixels);
  EXPECT_EQ(Encode(pixels), first);
  Pixels padded = MakePixels(c.width, c.height, c.width * 4 + c.padding + 20, c.argb);
  for (std::size_t i = 0; i < padded.bytes.size(); ++i) {
    if (i % static_cast<std::size_t>(padded.stride) >= std::size_t{4} * c.width) {
      padded.bytes[i] = static_cast<uint8_t>(i * 7);
    }
  }
  EXPECT_EQ(Encode(padded), first);
}

INSTANTIATE_TEST_SUITE_P(Pictures, PngStreamPicture, ::testing::ValuesIn(kPictures),
                         [](const auto& info) { return std::string(info.param.name); });

// Undoes one filtered row as a decoder does.
std::vector<uint8_t> Unfilter(const uint8_t* filtered, const std::vector<uint8_t>& above) {
  const std::size_t size = above.size();
  std::vector<uint8_t> row(size);
  for (std::size_t i = 0; i < size; ++i) {
    const int a = i >= 4 ? row[i - 4] : 0;
    const int b = above[i];
    const int c = i >= 4 ? above[i - 4] : 0;
    int predictor = 0;
    switch (filtered[0]) {
      case 0:
        break;
      case 1:
        predictor = a;
        break;
      case 2:
        predictor = b;
        break;
      case 3:
        predictor = (a + b) / 2;
        break;
      case 4: {
        const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
        predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
        break;
      }
      default:
        ADD_FAILURE() << "filter type " << int{filtered[0]};
    }
    row[i] = static_cast<uint8_t>(filtered[1 + i] + predictor);
  }
  return row;
}

// Every filter choice, on rows whose neighbours make every predictor branch
// and every wrap-around of the byte arithmetic happen.
TEST(PngRowFilterer, EveryChoiceUndoesToTheRow) {
  std::mt19937 random(7);
  const std::size_t size = 4 * 61;
  std::vector<uint8_t> above(size), row(size);
  for (std::size_t i = 0; i < size; ++i) {
    above[i] = static_cast<uint8_t>(random());
    row[i] = static_cast<uint8_t>(random());
  }
  const struct {
    PngRowFilter filter;
    int type;  // -1: any
  } kChoices[] = {{PngRowFilter::kNone, 0},  {PngRowFilter::kSub, 1},
                  {PngRowFilter::kUp, 2},    {PngRowFilter::kAverage, 3},
                  {PngRowFilter::kPaeth, 4}, {PngRowFilter::kAdaptive, -1}};
  PngRowFilterer filterer(size);
  for (const auto& choice : kChoices) {
    const uint8_t* filtered = filterer.Filter(choice.filter, row.data(), above.data());
    if (choice.type >= 0) {
      EXPECT_EQ(filtered[0], choice.type);
    }
    EXPECT_EQ(Unfilter(filtered, above), row) << "filter type " << int{filtered[0]};
  }
}

// The adaptive choice takes the type whose residues are smallest: Up for a
// row equal to the one above, Sub for a row of one repeated pixel.
TEST(PngRowFilterer, AdaptiveChoiceTakesTheSmallestResidues) {
  const std::size_t size = 4 * 16;
  std::vector<uint8_t> above(size), row(size);
  for (std::size_t i = 0; i < size; ++i) {
    above[i] = static_cast<uint8_t>(i * 37 + 11);
  }
  PngRowFilterer filterer(size);
  EXPECT_EQ(filterer.Filter(PngRowFilter::kAdaptive, above.data(), above.data())[0], 2);
  for (std::size_t i = 0; i < size; ++i) {
    row[i] = static_cast<uint8_t>(0x90 + i % 4);
  }
  EXPECT_EQ(filterer.Filter(PngRowFilter::kAdaptive, row.data(), above.data())[0], 1);
}

TEST(PngStream, CompressesFlatPicturesToAlmostNothing) {
  const Pixels clear = MakePixels(256, 256, 1024, [](int32_t, int32_t) { return 0u; });
  EXPECT_LT(Encode(clear).size(), 400u);
  const Pixels artwork = MakePixels(256, 256, 1024, Artwork);
  EXPECT_LT(Encode(artwork).size(), 3000u);
}

// Pillow's own PNG of the same pixels (what it stores in an .ico) is the
// size to beat.
TEST(PngStream, NoLargerThanPillowsPng) {
  if (access("/usr/bin/python3", X_OK) != 0 ||
      std::system("/usr/bin/python3 -c 'import PIL' 2>/dev/null") != 0) {
    GTEST_SKIP() << "Pillow (/usr/bin/python3) is not installed";
  }
  const struct {
    const char* name;
    Pixels pixels;
  } kCases[] = {
      {"gradient",
       MakePixels(256, 256, 1024, [](int32_t x, int32_t y) { return Gradient(x, y, 256); })},
      {"artwork", MakePixels(256, 256, 1024, Artwork)},
      {"noise", MakePixels(64, 64, 256, [](int32_t x, int32_t y) { return Noise(x, y); })},
  };
  for (const auto& c : kCases) {
    TempDir dir;
    const std::string ours = dir.File("ours.png");
    const std::string theirs = dir.File("theirs.png");
    WriteBytes(ours, Encode(c.pixels));
    const std::string command =
        "/usr/bin/python3 -c \"import sys; from PIL import Image; "
        "Image.open(sys.argv[1]).save(sys.argv[2])\" '" +
        ours + "' '" + theirs + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << c.name;
    EXPECT_LE(ReadBytes(ours).size(), ReadBytes(theirs).size()) << c.name;
  }
}

TEST(PngStream, RefusesBadArguments) {
  const std::vector<uint8_t> pixels(64, 0);
  const struct {
    const char* name;
    const uint8_t* pixels;
    int32_t width, height, stride;
  } kCases[] = {
      {"no pixels", nullptr, 4, 4, 16},
      {"zero width", pixels.data(), 0, 4, 16},
      {"zero height", pixels.data(), 4, 0, 16},
      {"negative width", pixels.data(), -4, 4, 16},
      {"negative height", pixels.data(), 4, -1, 16},
      {"short stride", pixels.data(), 4, 4, 15},
      {"negative stride", pixels.data(), 4, 4, -16},
  };
  for (const auto& c : kCases) {
    EXPECT_THROW(EncodePngStream(c.pixels, c.width, c.height, c.stride), std::invalid_argument)
        << c.name;
  }
  // Past the bitmap limit nothing is read: the refusal comes first.
  EXPECT_THROW(EncodePngStream(pixels.data(), 16384, 16385, 16384 * 4), std::bad_alloc);
  EXPECT_THROW(EncodePngStream(pixels.data(), 0x10000000, 2, 0x40000000), std::bad_alloc);
}

}  // namespace
}  // namespace zelmor
