// A PNG past the size any picture may have when decoded whole (16400 x 16400,
// over 1 GiB as 32-bit pixels) converts row by row in bounded memory, and its
// entries hold what the picture shows.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "overlay/decode_icon_entry.h"
#include "overlay/ico_reader.h"
#include "tests/support/bmp_file.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

constexpr uint32_t kSide = 16400;

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  out.insert(out.end(), {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                         static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)});
}

void WriteChunk(std::FILE* file, const char* type, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> chunk;
  Put32(chunk, static_cast<uint32_t>(data.size()));
  chunk.insert(chunk.end(), type, type + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  Put32(chunk, testing::PngCrc32(chunk.data() + 4, chunk.size() - 4));
  std::fwrite(chunk.data(), 1, chunk.size(), file);
}

// RGBA, the top quarter clear, below it red on the left half and blue on the
// right; deflated a row at a time, so the test holds no more than a row either.
void WriteLargePng(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::fwrite(signature, 1, 8, file);
  std::vector<uint8_t> header;
  Put32(header, kSide);
  Put32(header, kSide);
  header.insert(header.end(), {8, 6, 0, 0, 0});
  WriteChunk(file, "IHDR", header);

  z_stream stream{};
  ASSERT_EQ(deflateInit(&stream, 1), Z_OK);
  std::vector<uint8_t> clear(kSide * 4 + 1, 0);
  std::vector<uint8_t> coloured(kSide * 4 + 1, 0);
  for (uint32_t x = 0; x < kSide; ++x) {
    uint8_t* p = &coloured[1 + 4 * x];
    p[0] = x < kSide / 2 ? 255 : 0;  // red
    p[2] = x < kSide / 2 ? 0 : 255;  // blue
    p[3] = 255;
  }
  std::vector<uint8_t> out(std::size_t{1} << 20);
  for (uint32_t y = 0; y <= kSide; ++y) {
    const bool last = y == kSide;
    std::vector<uint8_t>& row = y < kSide / 4 ? clear : coloured;
    stream.next_in = last ? nullptr : row.data();
    stream.avail_in = last ? 0 : static_cast<uInt>(row.size());
    do {
      stream.next_out = out.data();
      stream.avail_out = static_cast<uInt>(out.size());
      ASSERT_NE(deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH), Z_STREAM_ERROR);
      const std::size_t produced = out.size() - stream.avail_out;
      if (produced > 0) {
        WriteChunk(file, "IDAT", std::vector<uint8_t>(out.begin(), out.begin() + produced));
      }
    } while (stream.avail_out == 0);
  }
  deflateEnd(&stream);
  WriteChunk(file, "IEND", {});
  ASSERT_EQ(std::fclose(file), 0);
}

TEST(LargePicture, ConvertsRowByRowInBoundedMemory) {
  testing::TempDir dir;
  const std::string input = dir.File("large.png");
  WriteLargePng(input);
  const std::string output = dir.File("large.ico");

  QProcess process;
  process.start(QStringLiteral(ZELMOR_CLI_PATH),
                {QString::fromStdString(input), "-s", "256,16", "-o",
                 QString::fromStdString(output)});
  ASSERT_TRUE(process.waitForFinished(240000));
  EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
  // The largest resident size of any child this test waited for. A whole
  // decode would hold more than 1 GiB; what streaming holds is a few rows and
  // the reduced picture, plus what sanitizer builds keep for themselves.
  rusage usage{};
  ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &usage), 0);
  EXPECT_LT(usage.ru_maxrss, 400L * 1024) << "KiB";

  const std::optional<IcoFileImage> icon = ReadIcoFile(output);
  ASSERT_TRUE(icon);
  ASSERT_EQ(icon->entryCount, 2u);
  for (uint32_t i = 0; i < 2; ++i) {
    const std::optional<std::span<const uint8_t>> block = IconEntryBytes(*icon, i);
    ASSERT_TRUE(block);
    int32_t width = 0;
    int32_t height = 0;
    const std::optional<Bitmap> entry =
        DecodeIconEntry(block->data(), static_cast<uint32_t>(block->size()), width, height);
    ASSERT_TRUE(entry);
    const int32_t n = entry->width();
    const auto at = [&](int32_t x, int32_t y) {
      const uint8_t* p = entry->row(y) + 4 * x;
      return std::vector<int>{p[0], p[1], p[2], p[3]};
    };
    // Blue, green, red, alpha, away from the borders between the parts.
    EXPECT_EQ(at(n / 2, n / 16), (std::vector<int>{0, 0, 0, 0})) << n;
    EXPECT_EQ(at(n / 8, n * 3 / 4), (std::vector<int>{0, 0, 255, 255})) << n;
    EXPECT_EQ(at(n * 7 / 8, n * 3 / 4), (std::vector<int>{255, 0, 0, 255})) << n;
  }
}

}  // namespace
}  // namespace zelmor
