// EXIF orientation: the pixel moves, the parser over EXIF blocks, and the
// orientation of each format that carries one, applied by LoadPictureFile.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/exif_orientation.h"
#include "platform/imaging.h"
#include "platform/tiff_tags.h"
#include "tests/support/library_picture_writer.h"
#include "tests/support/picture_chunks.h"
#include "tests/support/picture_writer.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::ExifBlock;
using testing::MakeBitmap;
using testing::PixelAt;
using testing::TempDir;

// Pixels as letters: the 3 x 2 picture ABC over DEF.
std::vector<std::string> Letters(const Bitmap& picture) {
  std::vector<std::string> rows;
  for (int32_t y = 0; y < picture.height(); ++y) {
    std::string row;
    for (int32_t x = 0; x < picture.width(); ++x) {
      row += static_cast<char>(PixelAt(picture, x, y) & 0xFF);
    }
    rows.push_back(row);
  }
  return rows;
}

Bitmap AbcDef() {
  return MakeBitmap(3, 2, [](int32_t x, int32_t y) {
    return 0xFF000000u | static_cast<uint32_t>("ABCDEF"[y * 3 + x]);
  });
}

TEST(ApplyExifOrientationTest, MovesEveryPixelAsViewersShowIt) {
  const struct {
    int orientation;
    std::vector<std::string> want;
  } cases[] = {
      {1, {"ABC", "DEF"}},     {2, {"CBA", "FED"}},     {3, {"FED", "CBA"}},
      {4, {"DEF", "ABC"}},     {5, {"AD", "BE", "CF"}}, {6, {"DA", "EB", "FC"}},
      {7, {"FC", "EB", "DA"}}, {8, {"CF", "BE", "AD"}}, {0, {"ABC", "DEF"}},
      {9, {"ABC", "DEF"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Letters(ApplyExifOrientation(AbcDef(), c.orientation)), c.want)
        << "orientation " << c.orientation;
  }
}

// ---- The parser ----

std::vector<uint8_t> WithPrefix(std::vector<uint8_t> block) {
  block.insert(block.begin(), {'E', 'x', 'i', 'f', 0, 0});
  return block;
}

TEST(ExifOrientationTest, ReadsBothByteOrdersWithAndWithoutPrefix) {
  for (int orientation = 1; orientation <= 8; ++orientation) {
    for (bool bigEndian : {false, true}) {
      const std::vector<uint8_t> block = ExifBlock(orientation, bigEndian);
      EXPECT_EQ(ExifOrientation(block), orientation);
      EXPECT_EQ(ExifOrientation(WithPrefix(block)), orientation);
    }
  }
}

TEST(ExifOrientationTest, DamagedBlocksHaveNone) {
  const std::vector<uint8_t> good = ExifBlock(6, false);
  const auto changed = [&good](std::size_t at, uint8_t value) {
    std::vector<uint8_t> block = good;
    block[at] = value;
    return block;
  };
  const struct {
    const char* name;
    std::vector<uint8_t> block;
  } cases[] = {
      {"empty", {}},
      {"header only", {good.begin(), good.begin() + 8}},
      {"cut inside the entry", {good.begin(), good.begin() + 16}},
      {"bad byte order mark", changed(0, 'X')},
      {"directory past the end", changed(4, 200)},
      // The first entry, whole, is still read; a later one past the end is not.
      {"entries past the end",
       [&] {
         std::vector<uint8_t> block = changed(8, 50);
         block[10] = 0x13;
         return block;
       }()},
      {"value 0", changed(18, 0)},
      {"value 9", changed(18, 9)},
      {"type ASCII", changed(12, 2)},
      {"count 2", changed(14, 2)},
      {"other tag", changed(10, 0x13)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExifOrientation(c.block), std::nullopt) << c.name;
  }
}

TEST(ExifOrientationTest, FindsTheTagAmongOthersAndLongValuesAtOffsets) {
  // Big-endian: two entries, a 6-byte ASCII value stored past the directory,
  // then the orientation.
  std::vector<uint8_t> block = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 2};
  block.insert(block.end(), {0x01, 0x0F, 0, 2, 0, 0, 0, 6, 0, 0, 0, 38});  // Make at 38
  block.insert(block.end(), {0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, 8, 0, 0});
  block.insert(block.end(), {0, 0, 0, 0});
  block.insert(block.end(), {'C', 'a', 'm', 'e', 'r', 0});
  EXPECT_EQ(ExifOrientation(block), 8);
  uint16_t type = 0;
  uint32_t count = 0;
  bool bigEndian = false;
  const auto make = FindTiffTag(block, 0x010F, type, count, bigEndian);
  ASSERT_TRUE(make.has_value());
  EXPECT_EQ(std::string(make->begin(), make->end() - 1), "Camer");
  EXPECT_TRUE(bigEndian);
  // The same value said to be one byte longer than the block holds.
  block[17] = 7;
  EXPECT_FALSE(FindTiffTag(block, 0x010F, type, count, bigEndian).has_value());
}

// ---- Through LoadPictureFile ----

// 24 x 16 in 8 x 8 blocks of distinct colours, so that every turn and mirror
// shows, and JPEG's blocks do not mix colours.
uint32_t BlockColour(int32_t x, int32_t y) {
  static constexpr uint32_t kColours[6] = {0xFFE01010, 0xFF10E010, 0xFF1010E0,
                                           0xFFE0E010, 0xFF10E0E0, 0xFFE010E0};
  return kColours[(y / 8) * 3 + x / 8];
}

Bitmap Upright() {
  return MakeBitmap(24, 16, BlockColour);
}

// Each pixel within `tolerance` per channel of the upright picture; lossy
// formats are compared away from block edges.
void ExpectUpright(const Bitmap& picture, int tolerance, const std::string& what) {
  ASSERT_EQ(picture.width(), 24) << what;
  ASSERT_EQ(picture.height(), 16) << what;
  for (int32_t y = 0; y < 16; ++y) {
    for (int32_t x = 0; x < 24; ++x) {
      if (tolerance > 0 && (x % 8 == 0 || x % 8 == 7 || y % 8 == 0 || y % 8 == 7)) {
        continue;
      }
      const uint32_t got = PixelAt(picture, x, y);
      const uint32_t want = BlockColour(x, y);
      for (int shift = 0; shift < 32; shift += 8) {
        const int difference = std::abs(static_cast<int>((got >> shift) & 0xFF) -
                                        static_cast<int>((want >> shift) & 0xFF));
        ASSERT_LE(difference, tolerance) << what << std::hex << " got " << got << " want " << want
                                         << std::dec << " at " << x << "," << y;
      }
    }
  }
}

// Pillow stores the upright picture turned by the inverse of the orientation
// and tags it, so a reader that honours the tag gets the upright picture back.
bool WriteWithPillow(const std::string& format, int orientation, const std::string& source,
                     const std::string& path) {
  if (std::system("test -x /usr/bin/python3 && /usr/bin/python3 -c 'import PIL' 2>/dev/null") !=
      0) {
    return false;
  }
  const std::string script =
      "import sys\n"
      "from PIL import Image\n"
      "o = int(sys.argv[3])\n"
      "undo = {2: Image.Transpose.FLIP_LEFT_RIGHT, 3: Image.Transpose.ROTATE_180,\n"
      "        4: Image.Transpose.FLIP_TOP_BOTTOM, 5: Image.Transpose.TRANSPOSE,\n"
      "        6: Image.Transpose.ROTATE_90, 7: Image.Transpose.TRANSVERSE,\n"
      "        8: Image.Transpose.ROTATE_270}\n"
      "im = Image.open(sys.argv[1]).convert('RGB')\n"
      "if o in undo: im = im.transpose(undo[o])\n"
      "exif = Image.Exif()\n"
      "exif[0x0112] = o\n"
      "fmt = sys.argv[4]\n"
      "if fmt == 'TIFF':\n"
      "    im.save(sys.argv[2], 'TIFF', tiffinfo={0x0112: o})\n"
      "elif fmt == 'WEBP':\n"
      "    im.save(sys.argv[2], 'WEBP', lossless=True, exif=exif.tobytes())\n"
      "elif fmt == 'JPEG':\n"
      "    im.save(sys.argv[2], 'JPEG', quality=95, exif=exif.tobytes())\n"
      "else:\n"
      "    im.save(sys.argv[2], fmt, exif=exif.tobytes())\n";
  TempDir scripts;
  const std::string scriptPath = scripts.File("orient.py");
  testing::WriteBytes(scriptPath, {script.begin(), script.end()});
  const std::string command = "/usr/bin/python3 '" + scriptPath + "' '" + source + "' '" + path +
                              "' " + std::to_string(orientation) + " " + format;
  return std::system(command.c_str()) == 0;
}

struct OrientedFormat {
  const char* name;
  const char* pillowFormat;
  int tolerance;
};

class OrientedPictureTest : public ::testing::TestWithParam<OrientedFormat> {};

TEST_P(OrientedPictureTest, ComesOutUprightForEveryOrientation) {
  const OrientedFormat& f = GetParam();
  const ImagingSession session;
  TempDir dir;
  const std::string source = dir.File("upright.png");
  ASSERT_TRUE(testing::WritePicture(Upright(), source, "png"));
  for (int orientation = 1; orientation <= 8; ++orientation) {
    const std::string path =
        dir.File("o" + std::to_string(orientation) + "." + std::string(f.name));
    if (!WriteWithPillow(f.pillowFormat, orientation, source, path)) {
      GTEST_SKIP() << "Pillow at /usr/bin/python3 is missing";
    }
    const std::optional<Bitmap> picture = LoadPictureFile(path);
    ASSERT_TRUE(picture.has_value()) << f.name << " orientation " << orientation;
    ExpectUpright(*picture, f.tolerance, std::string(f.name) + " " + std::to_string(orientation));
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, OrientedPictureTest,
                         ::testing::Values(OrientedFormat{"jpg", "JPEG", 6},
                                           OrientedFormat{"png", "PNG", 0},
                                           OrientedFormat{"webp", "WEBP", 0},
                                           OrientedFormat{"tiff", "TIFF", 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// Our own PNG eXIf chunk and JPEG APP1, in both byte orders, for formats
// whose fixtures Qt writes.
TEST(OrientedPictureTest, OwnChunksInBothByteOrders) {
  const ImagingSession session;
  TempDir dir;
  for (bool bigEndian : {false, true}) {
    const Bitmap stored = ApplyExifOrientation(Upright(), 8);  // undoes 6
    const std::vector<uint8_t> png = testing::EncodePng(stored);
    const std::string pngPath = dir.File("exif.png");
    testing::WriteBytes(pngPath, testing::InsertPngChunk(png, "eXIf", ExifBlock(6, bigEndian)));
    const std::optional<Bitmap> fromPng = LoadPictureFile(pngPath);
    ASSERT_TRUE(fromPng.has_value());
    ExpectUpright(*fromPng, 0, "png eXIf");

    const std::string jpgPath = dir.File("plain.jpg");
    ASSERT_TRUE(testing::WritePicture(stored, jpgPath, "jpg"));
    std::vector<uint8_t> app1 = {'E', 'x', 'i', 'f', 0, 0};
    const std::vector<uint8_t> exif = ExifBlock(6, bigEndian);
    app1.insert(app1.end(), exif.begin(), exif.end());
    const std::string taggedPath = dir.File("exif.jpg");
    testing::WriteBytes(taggedPath,
                        testing::InsertJpegSegment(testing::ReadBytes(jpgPath), 0xE1, app1));
    const std::optional<Bitmap> fromJpeg = LoadPictureFile(taggedPath);
    ASSERT_TRUE(fromJpeg.has_value());
    ExpectUpright(*fromJpeg, 6, "jpeg APP1");
  }
}

// HEIF and AVIF say their orientation in irot/imir boxes; an EXIF block that
// repeats it must not turn the picture a second time.
TEST(OrientedPictureTest, HeifAndAvifTurnOnceEvenWithExif) {
  const ImagingSession session;
  TempDir dir;
  for (int orientation = 1; orientation <= 8; ++orientation) {
    for (bool exifToo : {false, true}) {
      const testing::LibraryPictureOptions options{orientation, exifToo, {}};
      const std::string what =
          std::to_string(orientation) + (exifToo ? " with EXIF" : " without EXIF");
      const std::string heic = dir.File("o.heic");
      ASSERT_TRUE(testing::WriteHeic(Upright(), heic, options)) << what;
      const std::optional<Bitmap> fromHeic = LoadPictureFile(heic);
      ASSERT_TRUE(fromHeic.has_value()) << what;
      ExpectUpright(*fromHeic, 0, "heic " + what);
      const std::string avif = dir.File("o.avif");
      ASSERT_TRUE(testing::WriteAvif(Upright(), avif, options)) << what;
      const std::optional<Bitmap> fromAvif = LoadPictureFile(avif);
      ASSERT_TRUE(fromAvif.has_value()) << what;
      ExpectUpright(*fromAvif, 0, "avif " + what);
    }
  }
}

}  // namespace
}  // namespace zelmor
