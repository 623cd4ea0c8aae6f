#include "encoding/ico_format.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "encoding/icon_image.h"
#include "tests/encoding/bgra_picture.h"

namespace zelmor {
namespace {

using test::BgraPicture;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

uint16_t U16At(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint32_t>(U16At(b, at)) | (static_cast<uint32_t>(U16At(b, at + 2)) << 16);
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& b, size_t at, size_t length) {
  EXPECT_LE(at + length, b.size());
  if (at + length > b.size()) return {};
  return std::vector<uint8_t>(b.begin() + static_cast<std::ptrdiff_t>(at),
                              b.begin() + static_cast<std::ptrdiff_t>(at + length));
}

// A picture with some transparent and some coloured pixels, so the XOR and
// mask bytes are not all alike.
IconImageData SampleImage(int32_t size, int bits) {
  BgraPicture picture(size);
  for (int32_t y = 0; y < size; ++y) {
    for (int32_t x = 0; x < size; ++x) {
      picture.Set(x, y, static_cast<uint8_t>(x * 7), static_cast<uint8_t>(y * 5),
                  static_cast<uint8_t>(x + y), (x + y) % 3 == 0 ? 0 : 255);
    }
  }
  return picture.Encode(bits);
}

TEST(IcoFieldsTest, EveryFieldIsWrittenLittleEndianInTableOrder) {
  std::vector<uint8_t> out;
  AppendIconDir(out, ICONDIR{0x0201, 0x0403, 0x0605});
  EXPECT_THAT(out, ElementsAre(1, 2, 3, 4, 5, 6));

  out.clear();
  AppendIconDirEntry(out, ICONDIRENTRY{1, 2, 3, 4, 0x0605, 0x0807, 0x0C0B0A09, 0x100F0E0D});
  EXPECT_THAT(out, ElementsAre(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16));

  out.clear();
  AppendBitmapInfoHeader(
      out, BITMAPINFOHEADER{0x04030201, -2, 0x0C0B0A09, 0x0E0D, 0x100F, 0x14131211, 0x18171615,
                            -0x1C1B1A1A, 0x201F1E1D, 0x24232221, 0x28272625});
  std::vector<uint8_t> expected;
  for (int i = 1; i <= 40; ++i) expected.push_back(static_cast<uint8_t>(i));
  expected[4] = 0xFE;  // -2
  expected[5] = expected[6] = expected[7] = 0xFF;
  expected[24] = 0xE6;  // -0x1C1B1A1A = 0xE3E4E5E6
  expected[25] = 0xE5;
  expected[26] = 0xE4;
  expected[27] = 0xE3;
  EXPECT_THAT(out, ElementsAreArray(expected));
}

TEST(BuildIconFileTest, SingleSixteenPixelImageAt32Bits) {
  const IconImageData image = SampleImage(16, 32);
  const std::vector<uint8_t> file = BuildIconFile({&image, 1}, 32);
  ASSERT_EQ(file.size(), 1150u);
  EXPECT_THAT(Slice(file, 0, 6), ElementsAre(0, 0, 1, 0, 1, 0));
  // 16 x 16, no colour count, 1 plane, 32 bits, 1128 bytes at offset 22.
  EXPECT_THAT(Slice(file, 6, 16),
              ElementsAre(16, 16, 0, 0, 1, 0, 32, 0, 0x68, 0x04, 0, 0, 22, 0, 0, 0));
  EXPECT_EQ(U32At(file, 22), 40u);
  EXPECT_EQ(U32At(file, 26), 16u);  // biWidth
  EXPECT_EQ(U32At(file, 30), 32u);  // biHeight: XOR and AND rows
  EXPECT_EQ(U16At(file, 34), 1u);
  EXPECT_EQ(U16At(file, 36), 32u);
  EXPECT_EQ(U32At(file, 38), 0u);
  EXPECT_EQ(U32At(file, 42), 1024u);  // biSizeImage: XOR rows only
  EXPECT_THAT(Slice(file, 46, 16), ::testing::Each(0));
  EXPECT_EQ(Slice(file, 62, 1024), image.xorBitmap);
  EXPECT_EQ(Slice(file, 1086, 64), image.andMask);
}

struct BlockCase {
  int32_t size;
  int bits;
  uint8_t bWidth;
  uint8_t bColorCount;
  uint32_t bytesInRes;
  uint32_t sizeImage;
  uint32_t clrUsed;
};

void PrintTo(const BlockCase& c, std::ostream* os) {
  *os << "size " << c.size << ", " << c.bits << " bits";
}

class IconBlockTest : public ::testing::TestWithParam<BlockCase> {};

TEST_P(IconBlockTest, EntryHeaderAndBlockAgree) {
  const BlockCase& c = GetParam();
  const IconImageData image = SampleImage(c.size, c.bits);

  const ICONDIRENTRY entry = MakeIconDirEntry(image, c.bits, 0x12345678);
  EXPECT_EQ(entry.bWidth, c.bWidth);
  EXPECT_EQ(entry.bHeight, c.bWidth);
  EXPECT_EQ(entry.bColorCount, c.bColorCount);
  EXPECT_EQ(entry.bReserved, 0);
  EXPECT_EQ(entry.wPlanes, 1);
  EXPECT_EQ(entry.wBitCount, c.bits);
  EXPECT_EQ(entry.dwBytesInRes, c.bytesInRes);
  EXPECT_EQ(entry.dwImageOffset, 0x12345678u);
  EXPECT_EQ(IconImageByteCount(image), c.bytesInRes);

  const std::vector<uint8_t> block = SerializeIconImage(image, c.bits);
  ASSERT_EQ(block.size(), c.bytesInRes);
  EXPECT_EQ(U32At(block, 0), 40u);
  EXPECT_EQ(U32At(block, 4), static_cast<uint32_t>(c.size));
  EXPECT_EQ(U32At(block, 8), static_cast<uint32_t>(2 * c.size));
  EXPECT_EQ(U16At(block, 12), 1u);
  EXPECT_EQ(U16At(block, 14), static_cast<uint16_t>(c.bits));
  EXPECT_EQ(U32At(block, 16), 0u);
  EXPECT_EQ(U32At(block, 20), c.sizeImage);
  EXPECT_EQ(U32At(block, 24), 0u);
  EXPECT_EQ(U32At(block, 28), 0u);
  EXPECT_EQ(U32At(block, 32), c.clrUsed);
  EXPECT_EQ(U32At(block, 36), 0u);
  for (uint32_t i = 0; i < c.clrUsed; ++i) {
    const RGBQUAD& q = image.palette[i];
    EXPECT_THAT(Slice(block, 40 + 4 * i, 4), ElementsAre(q.rgbBlue, q.rgbGreen, q.rgbRed, 0))
        << "palette entry " << i;
  }
  const size_t xorAt = 40 + 4 * c.clrUsed;
  EXPECT_EQ(Slice(block, xorAt, c.sizeImage), image.xorBitmap);
  EXPECT_EQ(Slice(block, xorAt + c.sizeImage, image.andMask.size()), image.andMask);
}

INSTANTIATE_TEST_SUITE_P(Cases, IconBlockTest,
                         ::testing::Values(BlockCase{16, 32, 16, 0, 40 + 1024 + 64, 1024, 0},
                                           // A one-byte width cannot hold 256: the entry says 0.
                                           BlockCase{256, 32, 0, 0, 40 + 262144 + 8192, 262144, 0},
                                           BlockCase{256, 4, 0, 16, 40 + 64 + 32768 + 8192, 32768,
                                                     16},
                                           BlockCase{32, 4, 32, 16, 40 + 64 + 512 + 128, 512, 16},
                                           // 256 colours do not fit the byte either; it stays 0.
                                           BlockCase{16, 8, 16, 0, 40 + 1024 + 256 + 64, 256, 256},
                                           BlockCase{16, 24, 16, 0, 40 + 768 + 64, 768, 0},
                                           BlockCase{48, 32, 48, 0, 9640, 9216, 0},
                                           BlockCase{5, 4, 5, 16, 40 + 64 + 20 + 20, 20, 16}),
                         [](const ::testing::TestParamInfo<BlockCase>& info) {
                           return "Size" + std::to_string(info.param.size) + "Bits" +
                                  std::to_string(info.param.bits);
                         });

TEST(SerializeIconImageTest, PaletteEntriesAreStoredBlueGreenRedZero) {
  const std::vector<uint8_t> block4 = SerializeIconImage(SampleImage(8, 4), 4);
  EXPECT_THAT(Slice(block4, 40 + 4 * 1, 4), ElementsAre(0, 0, 128, 0));      // maroon
  EXPECT_THAT(Slice(block4, 40 + 4 * 7, 4), ElementsAre(192, 192, 192, 0));  // silver
  EXPECT_THAT(Slice(block4, 40 + 4 * 12, 4), ElementsAre(255, 0, 0, 0));     // blue
  const std::vector<uint8_t> block8 = SerializeIconImage(SampleImage(8, 8), 8);
  EXPECT_THAT(Slice(block8, 40 + 4 * 0xE0, 4), ElementsAre(0, 0, 255, 0));  // red
  EXPECT_THAT(Slice(block8, 40 + 4 * 0x03, 4), ElementsAre(255, 0, 0, 0));  // blue
  EXPECT_THAT(Slice(block8, 40 + 4 * 0xAD, 4), ElementsAre(85, 109, 182, 0));
}

class WholeFileTest : public ::testing::TestWithParam<int> {};

TEST_P(WholeFileTest, DirectoryOffsetsAndLengthsMatchTheBlocks) {
  const int bits = GetParam();
  std::vector<IconImageData> images;
  for (int32_t size : {256, 48, 32, 16, 5}) images.push_back(SampleImage(size, bits));

  const std::vector<uint8_t> file = BuildIconFile(images, bits);
  EXPECT_THAT(Slice(file, 0, 6), ElementsAre(0, 0, 1, 0, 5, 0));
  uint32_t expectedOffset = 6 + 16 * 5;
  for (size_t i = 0; i < images.size(); ++i) {
    SCOPED_TRACE(i);
    const size_t at = 6 + 16 * i;
    std::vector<uint8_t> expectedEntry;
    AppendIconDirEntry(expectedEntry, MakeIconDirEntry(images[i], bits, expectedOffset));
    EXPECT_EQ(Slice(file, at, 16), expectedEntry);
    const uint32_t length = U32At(file, at + 8);
    EXPECT_EQ(U32At(file, at + 12), expectedOffset);
    EXPECT_EQ(Slice(file, expectedOffset, length), SerializeIconImage(images[i], bits));
    expectedOffset += length;
  }
  EXPECT_EQ(file.size(), expectedOffset);

  // Streaming hands out the header with the directory, then one block at a time.
  std::vector<std::vector<uint8_t>> pieces;
  WriteIconFile(images, bits, [&pieces](std::span<const uint8_t> piece) {
    pieces.emplace_back(piece.begin(), piece.end());
  });
  ASSERT_EQ(pieces.size(), 6u);
  EXPECT_EQ(pieces[0].size(), 6u + 16 * 5);
  std::vector<uint8_t> joined;
  for (const auto& piece : pieces) joined.insert(joined.end(), piece.begin(), piece.end());
  EXPECT_EQ(joined, file);
}

INSTANTIATE_TEST_SUITE_P(Depths, WholeFileTest, ::testing::Values(4, 8, 24, 32),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "Bits" + std::to_string(info.param);
                         });

TEST_P(WholeFileTest, BitmapBlocksLayOutAsTheOneDepthFile) {
  const int bits = GetParam();
  std::vector<IconImageData> images;
  std::vector<IconBlock> blocks;
  for (int32_t size : {256, 48, 5}) {
    images.push_back(SampleImage(size, bits));
    blocks.push_back(MakeBitmapBlock(images.back(), bits));
  }
  std::vector<uint8_t> file;
  WriteIconBlocks(blocks, [&file](std::span<const uint8_t> piece) {
    file.insert(file.end(), piece.begin(), piece.end());
  });
  EXPECT_EQ(file, BuildIconFile(images, bits));
}

TEST(WriteIconBlocksTest, MixesDepthsAndPngStreamsWithRunningOffsets) {
  const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 1, 2, 3};
  std::vector<IconBlock> blocks;
  blocks.push_back(MakePngBlock(256, 256, png));
  blocks.push_back(MakeBitmapBlock(SampleImage(16, 4), 4));
  blocks.push_back(MakePngBlock(20, 40, png));
  std::vector<uint8_t> file;
  WriteIconBlocks(blocks, [&file](std::span<const uint8_t> piece) {
    file.insert(file.end(), piece.begin(), piece.end());
  });
  ASSERT_EQ(U16At(file, 4), 3u);
  // width, height, colours, reserved, planes, bits
  EXPECT_THAT(Slice(file, 6, 8), ElementsAre(0, 0, 0, 0, 1, 0, 32, 0));
  EXPECT_THAT(Slice(file, 22, 8), ElementsAre(16, 16, 16, 0, 1, 0, 4, 0));
  EXPECT_THAT(Slice(file, 38, 8), ElementsAre(20, 40, 0, 0, 1, 0, 32, 0));
  uint32_t offset = 6 + 16 * 3;
  for (size_t i = 0; i < blocks.size(); ++i) {
    EXPECT_EQ(U32At(file, 6 + 16 * i + 8), blocks[i].bytes.size());
    EXPECT_EQ(U32At(file, 6 + 16 * i + 12), offset);
    EXPECT_EQ(Slice(file, offset, blocks[i].bytes.size()), blocks[i].bytes);
    offset += static_cast<uint32_t>(blocks[i].bytes.size());
  }
  EXPECT_EQ(file.size(), offset);
  EXPECT_THROW(MakePngBlock(0, 16, png), std::invalid_argument);
  EXPECT_THROW(MakePngBlock(16, 16, {}), std::invalid_argument);
}

TEST(BuildIconFileTest, NoImagesGiveABareHeader) {
  EXPECT_THAT(BuildIconFile({}, 32), ElementsAre(0, 0, 1, 0, 0, 0));
}

TEST(WriteIconFileTest, TakesAtMost65535ImagesAndTouchesNoSinkWhenRefusing) {
  std::vector<IconImageData> images(65535, SampleImage(1, 32));
  const std::vector<uint8_t> file = BuildIconFile(images, 32);
  ASSERT_EQ(file.size(), 6u + 16u * 65535 + 48u * 65535);
  EXPECT_EQ(U16At(file, 4), 65535u);
  EXPECT_EQ(U32At(file, 6 + 16 * 65534 + 12), 6u + 16 * 65535 + 48 * 65534);

  images.push_back(images.front());
  int calls = 0;
  EXPECT_THROW(WriteIconFile(images, 32, [&calls](std::span<const uint8_t>) { ++calls; }),
               std::invalid_argument);
  EXPECT_EQ(calls, 0);
}

TEST(IconBlockOffsetsTest, RunsBlocksBackToBackWithinFourGiB) {
  const std::vector<uint32_t> lengths = {10, 20, 30};
  EXPECT_THAT(IconBlockOffsets(lengths), ElementsAre(54, 64, 84));

  const std::vector<uint32_t> endsAtLimit = {UINT32_MAX - 22};
  EXPECT_THAT(IconBlockOffsets(endsAtLimit), ElementsAre(22));
  const std::vector<uint32_t> oneByteOver = {UINT32_MAX - 21};
  EXPECT_THROW(IconBlockOffsets(oneByteOver), std::invalid_argument);
  const std::vector<uint32_t> sumOverflows = {0x80000000u, 0x80000000u};
  EXPECT_THROW(IconBlockOffsets(sumOverflows), std::invalid_argument);
  const std::vector<uint32_t> tooMany(65536, 1);
  EXPECT_THROW(IconBlockOffsets(tooMany), std::invalid_argument);
}

struct BrokenRecord {
  const char* name;
  int bits;
  std::function<void(IconImageData&)> damage;
};

void PrintTo(const BrokenRecord& c, std::ostream* os) {
  *os << c.name;
}

class InconsistentRecordTest : public ::testing::TestWithParam<BrokenRecord> {};

TEST_P(InconsistentRecordTest, EveryWriterRefusesIt) {
  // A sound 8-pixel 8-bit image, then damaged so that a header would lie.
  IconImageData image = SampleImage(8, 8);
  GetParam().damage(image);
  const int bits = GetParam().bits;
  EXPECT_THROW(MakeIconDirEntry(image, bits, 22), std::invalid_argument);
  EXPECT_THROW(SerializeIconImage(image, bits), std::invalid_argument);
  int calls = 0;
  EXPECT_THROW(WriteIconFile({&image, 1}, bits, [&calls](std::span<const uint8_t>) { ++calls; }),
               std::invalid_argument);
  EXPECT_EQ(calls, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InconsistentRecordTest,
    ::testing::Values(
        BrokenRecord{"DepthSixteen", 16, [](IconImageData&) {}},
        BrokenRecord{"DepthZero", 0, [](IconImageData&) {}},
        BrokenRecord{"DepthNotMatchingPalette", 32, [](IconImageData&) {}},
        BrokenRecord{"ShortPalette", 8, [](IconImageData& i) { i.palette.pop_back(); }},
        BrokenRecord{"ShortXorBitmap", 8, [](IconImageData& i) { i.xorBitmap.pop_back(); }},
        BrokenRecord{"LongAndMask", 8, [](IconImageData& i) { i.andMask.push_back(0); }},
        BrokenRecord{"SizeZero", 8, [](IconImageData& i) { i.size = 0; }},
        BrokenRecord{"SizeWrong", 8, [](IconImageData& i) { i.size = 9; }}),
    [](const ::testing::TestParamInfo<BrokenRecord>& info) { return info.param.name; });

}  // namespace
}  // namespace zelmor
