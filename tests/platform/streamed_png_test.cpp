// PNGs decoded row by row give exactly the pixels and the canvases of the
// whole-picture decode, for every colour type, depth, transparency and colour
// chunk; damaged ones fail or succeed exactly where the whole decode does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/colour_profile.h"
#include "platform/imaging.h"
#include "platform/png_rows.h"
#include "platform/raster_picture.h"
#include "tests/support/bmp_file.h"
#include "tests/support/picture_chunks.h"
#include "tests/support/picture_writer.h"
#include "tests/support/raw_png.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::RawPng;
using testing::TempDir;

constexpr int32_t kLargest = 64;

struct PngCase {
  const char* name;
  uint8_t bitDepth;
  uint8_t colourType;
  uint32_t width = 300;
  uint32_t height = 200;
  // Extra chunks: "palette" adds PLTE (and tRNS when `transparency`), the
  // rest are named chunks.
  bool transparency = false;
  std::vector<std::pair<std::string, std::vector<uint8_t>>> chunks = {};
  bool colourChunks = false;  // the pixels are converted after decoding
  // Qt's reader gets these wrong (16-bit colour with a tRNS key: its samples
  // come out scrambled), so they are not compared with it; StreamedPngKey
  // checks them against known values.
  bool qtWrong = false;
};

std::vector<uint8_t> Big32(uint32_t value) {
  return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
          static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

std::vector<uint8_t> Chromaticities() {
  std::vector<uint8_t> data;
  for (const uint32_t v : {31270u, 32900u, 64000u, 33000u, 21000u, 71000u, 15000u, 6000u}) {
    const std::vector<uint8_t> bytes = Big32(v);
    data.insert(data.end(), bytes.begin(), bytes.end());
  }
  return data;
}

RawPng Build(const PngCase& c) {
  RawPng png;
  png.width = c.width;
  png.height = c.height;
  png.bitDepth = c.bitDepth;
  png.colourType = c.colourType;
  const uint32_t max = (1u << c.bitDepth) - 1;
  const int samples = testing::SamplesPerPixel(c.colourType);
  const bool alpha = c.colourType == 4 || c.colourType == 6;
  png.sample = [=](uint32_t x, uint32_t y, int s) -> uint32_t {
    if (alpha && s == samples - 1) {
      // Clear, opaque and partial, in bands.
      const uint32_t band = (x / 7 + y / 5) % 4;
      return band == 0 ? 0 : band == 1 ? max : (x * 2654435761u + y * 40503u) % (max + 1);
    }
    return (x * 37 + y * 101 + static_cast<uint32_t>(s) * 59 + (x * y) % 13) % (max + 1);
  };
  if (c.colourType == 3) {
    std::vector<uint8_t> palette;
    std::vector<uint8_t> alphas;
    for (uint32_t i = 0; i <= max; ++i) {
      palette.insert(palette.end(), {static_cast<uint8_t>(i * 53), static_cast<uint8_t>(i * 97),
                                     static_cast<uint8_t>(255 - i * 31)});
      alphas.push_back(static_cast<uint8_t>(i % 3 == 0 ? 0 : i * 41));
    }
    png.chunks.emplace_back("PLTE", palette);
    if (c.transparency) {
      alphas.resize((alphas.size() + 1) / 2);  // entries past tRNS are opaque
      png.chunks.emplace_back("tRNS", alphas);
    }
  } else if (c.transparency) {
    // The colour of pixel (0, 0) and its kin is clear.
    std::vector<uint8_t> key;
    for (int s = 0; s < samples; ++s) {
      const uint32_t v = png.sample(0, 0, s);
      key.insert(key.end(), {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
    }
    png.chunks.emplace_back("tRNS", key);
  }
  png.chunks.insert(png.chunks.end(), c.chunks.begin(), c.chunks.end());
  return png;
}

std::vector<PngCase> Cases() {
  return {
      {"Rgba8", 8, 6},
      {"Rgba16", 16, 6},
      {"Rgb8", 8, 2},
      {"Rgb16", 16, 2},
      {"Rgb8Keyed", 8, 2, 300, 200, true},
      {"Rgb16Keyed", 16, 2, 300, 200, true, {}, false, true},
      {"Grey1", 1, 0},
      {"Grey2", 2, 0},
      {"Grey4", 4, 0},
      {"Grey8", 8, 0},
      {"Grey16", 16, 0},
      {"Grey8Keyed", 8, 0, 300, 200, true},
      {"Grey16Keyed", 16, 0, 300, 200, true},
      {"GreyAlpha8", 8, 4},
      {"GreyAlpha16", 16, 4},
      {"Palette1", 1, 3},
      {"Palette2Clear", 2, 3, 300, 200, true},
      {"Palette4", 4, 3},
      {"Palette8Clear", 8, 3, 300, 200, true},
      {"OddSidesRgba8", 8, 6, 257, 131},
      {"SmallerThanLargest", 8, 6, 50, 30},
      {"OneRow", 8, 6, 300, 1},
      {"OneColumn", 16, 4, 1, 200},
      {"Gamma", 8, 6, 300, 200, false, {{"gAMA", Big32(100000)}}, true},
      {"GammaAndPrimaries", 16, 2, 300, 200, false,
       {{"gAMA", Big32(55555)}, {"cHRM", Chromaticities()}}, true},
      {"SrgbChunk", 8, 6, 300, 200, false, {{"sRGB", {0}}}, true},
      {"TurnedByExif", 8, 6, 300, 200, false, {{"eXIf", testing::ExifBlock(6, true)}}, true},
  };
}

class StreamedPng : public ::testing::TestWithParam<PngCase> {
 protected:
  std::string Write(const std::vector<uint8_t>& bytes) {
    const std::string path = dir_.File("picture.png");
    testing::WriteBytes(path, bytes);
    return path;
  }
  TempDir dir_;
  ImagingSession imaging_;
};

// Rows are decoded before colour chunks are applied, so only pictures without
// them compare row for row.
class StreamedPngRows : public StreamedPng {};

TEST_P(StreamedPngRows, AreThoseOfTheWholeDecode) {
  const PngCase& c = GetParam();
  const std::vector<uint8_t> bytes = WriteRawPng(Build(c));
  const std::optional<Bitmap> whole = LoadPictureFile(Write(bytes));
  ASSERT_TRUE(whole);
  const std::unique_ptr<PngRowReader> reader = PngRowReader::Open(bytes);
  ASSERT_TRUE(reader);
  ASSERT_EQ(reader->width(), whole->width());
  ASSERT_EQ(reader->height(), whole->height());
  std::vector<uint8_t> row(static_cast<std::size_t>(reader->width()) * 4);
  for (int32_t y = 0; y < reader->height(); ++y) {
    ASSERT_TRUE(reader->ReadRow(row.data())) << "row " << y;
    for (std::size_t i = 0; i < row.size(); ++i) {
      ASSERT_EQ(row[i], whole->row(y)[i]) << "row " << y << " byte " << i;
    }
  }
  EXPECT_FALSE(reader->ReadRow(row.data())) << "no row past the last";
}

// Every canvas of the streamed picture, whole and cropped to a band, against
// the renderer fed the whole decode.
void ExpectSameCanvases(const std::string& path) {
  const std::optional<Bitmap> whole = LoadPictureFile(path);
  const std::optional<RasterPicture> streamed = RasterPicture::Open(path);
  if (!whole) {
    // Refused on opening, or once the rows prove damaged.
    EXPECT_TRUE(!streamed || streamed->Renderer(kLargest) == nullptr);
    return;
  }
  ASSERT_TRUE(streamed);
  ASSERT_EQ(streamed->width(), whole->width());
  ASSERT_EQ(streamed->height(), whole->height());
  const CropRule band = [](int32_t width, int32_t height) {
    return PictureRect{width / 5, height / 3, std::max(1, width - width / 5 - 1),
                       height - height / 3};
  };
  for (const bool cropped : {false, true}) {
    SCOPED_TRACE(cropped ? "cropped" : "whole");
    const PictureRect part = cropped ? band(whole->width(), whole->height())
                                     : PictureRect{0, 0, whole->width(), whole->height()};
    const PictureRenderer expected(whole->Region(part.x, part.y, part.width, part.height),
                                   kLargest);
    const std::unique_ptr<PictureRenderer> renderer =
        streamed->Renderer(kLargest, cropped ? band : CropRule{});
    ASSERT_TRUE(renderer);
    for (const auto& [w, h] : {std::pair{64, 64}, {48, 48}, {16, 16}, {64, 40}, {50, 30}}) {
      EXPECT_TRUE(testing::SameBytes(renderer->Render(w, h), expected.Render(w, h))) << w << "x" << h;
    }
  }
  const Bitmap* all = streamed->Whole();
  ASSERT_NE(all, nullptr);
  EXPECT_TRUE(testing::SameBytes(*all, *whole));
}

TEST_P(StreamedPng, CanvasesAreThoseOfTheWholeDecode) {
  ExpectSameCanvases(Write(WriteRawPng(Build(GetParam()))));
}

// Cut short inside the image data: the stream fails part way, and the
// picture decodes or not exactly as the whole decoder decides.
TEST_P(StreamedPng, ACutPictureFailsOrNotAsTheWholeDecode) {
  RawPng png = Build(GetParam());
  png.imageDataBytes = 64;
  ExpectSameCanvases(Write(WriteRawPng(png)));
}

std::vector<PngCase> CasesWhere(bool (*keep)(const PngCase&)) {
  std::vector<PngCase> kept;
  for (const PngCase& c : Cases()) {
    if (keep(c)) {
      kept.push_back(c);
    }
  }
  return kept;
}

std::string NameOf(const ::testing::TestParamInfo<PngCase>& info) {
  return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Kinds, StreamedPng,
                         ::testing::ValuesIn(CasesWhere([](const PngCase& c) {
                           return !c.qtWrong;
                         })),
                         NameOf);
INSTANTIATE_TEST_SUITE_P(Kinds, StreamedPngRows,
                         ::testing::ValuesIn(CasesWhere([](const PngCase& c) {
                           return !c.qtWrong && !c.colourChunks;
                         })),
                         NameOf);

// 16-bit samples with a tRNS key: the key's colour is clear, every other
// pixel opaque with its samples rounded to 8 bits, both in the rows and in the
// whole picture an exact-size entry copies.
TEST(StreamedPngKey, SixteenBitKeyedColourIsClearAndTheRestRounded) {
  TempDir dir;
  const ImagingSession imaging;
  RawPng png;
  png.width = 3;
  png.height = 1;
  png.bitDepth = 16;
  png.colourType = 2;
  const uint32_t samples[3][3] = {{0, 59, 118}, {37, 96, 65000}, {40000, 133, 128}};
  png.sample = [&samples](uint32_t x, uint32_t, int s) { return samples[x][s]; };
  png.chunks.emplace_back("tRNS", std::vector<uint8_t>{0, 0, 0, 59, 0, 118});
  const std::string path = dir.File("keyed.png");
  testing::WriteBytes(path, WriteRawPng(png));
  // Blue, green, red, alpha.
  const uint8_t expected[12] = {0, 0, 0, 0, 253, 0, 0, 255, 0, 1, 156, 255};
  const std::vector<uint8_t> bytes = testing::ReadBytes(path);
  const std::unique_ptr<PngRowReader> reader = PngRowReader::Open(bytes);
  ASSERT_TRUE(reader);
  uint8_t row[12];
  ASSERT_TRUE(reader->ReadRow(row));
  EXPECT_EQ(std::vector<uint8_t>(row, row + 12), std::vector<uint8_t>(expected, expected + 12));
  const std::optional<RasterPicture> picture = RasterPicture::Open(path);
  ASSERT_TRUE(picture);
  const Bitmap* whole = picture->Whole();
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(whole->row(0), whole->row(0) + 12),
            std::vector<uint8_t>(expected, expected + 12));
}

// Damage after the rows a crop keeps still counts: a picture is judged whole.
TEST(StreamedPngDamage, ABrokenChecksumFailsLikeTheWholeDecode) {
  TempDir dir;
  const ImagingSession imaging;
  RawPng png = Build({"Rgba8", 8, 6});
  std::vector<uint8_t> bytes = WriteRawPng(png);
  // The IDAT chunk's CRC sits 12 bytes before the end of the file's IEND.
  bytes[bytes.size() - 13] ^= 0xFF;
  const std::string path = dir.File("broken.png");
  testing::WriteBytes(path, bytes);
  ExpectSameCanvases(path);
}

TEST(StreamedPngDamage, AHeaderDeclaringTheLargestSidesWithoutDataFails) {
  TempDir dir;
  const ImagingSession imaging;
  RawPng png = Build({"Rgba8", 8, 6, 10, 10});
  std::vector<uint8_t> bytes = WriteRawPng(png);
  // IHDR's width and height, then its CRC, for 65535 x 65535.
  for (const int at : {16, 20}) {
    bytes[at] = 0;
    bytes[at + 1] = 0;
    bytes[at + 2] = 0xFF;
    bytes[at + 3] = 0xFF;
  }
  const uint32_t crc = testing::PngCrc32(bytes.data() + 12, 17);
  for (int i = 0; i < 4; ++i) {
    bytes[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
  }
  const std::string path = dir.File("declared.png");
  testing::WriteBytes(path, bytes);
  const std::optional<RasterPicture> picture = RasterPicture::Open(path);
  ASSERT_TRUE(picture) << "the header alone is sound";
  EXPECT_EQ(picture->width(), 65535);
  EXPECT_EQ(picture->Renderer(256), nullptr);
}

}  // namespace
}  // namespace zelmor
