// Fuzz findings, each replayed as the fuzz target ran it. The first two bytes
// of a picture finding chose the run (see fuzz/fuzz_generate_icon.cpp); the
// rest is the picture file as found.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "generate/generate_icon.h"
#include "platform/line_random.h"
#include "tests/support/message_recorder.h"
#include "tests/support/picture_writer.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::MessageRecorder;
using testing::RecordedMessage;
using testing::TempDir;
using testing::WriteBytes;

// A 133-byte uncompressed 24-bit BMP declaring 33423360 x 7 pixels (935 MB of
// picture, inside the imaging limit): Qt's reader took it, leaving all but a
// few bytes of the picture uninitialised, and scaling it took seconds. Run 24
// bits with lines, sizes 24 and 2.
const std::vector<uint8_t> kShortWideBmp = {
    0x42, 0x4d, 0x4e, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x36, 0x00, 0x00, 0x00, 0x28,
    0x00, 0x00, 0x00, 0x00, 0x00, 0xfe, 0x01, 0x07, 0x00, 0x00, 0x00, 0x01, 0x00, 0x18, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x18, 0x91, 0xff, 0x3f, 0xb6, 0xff, 0x55, 0xdb, 0xff, 0x6a, 0x00,
    0x00, 0x00, 0x14, 0x50, 0x34, 0x0a, 0x80, 0x20, 0xff, 0x0a, 0x31, 0x94, 0x31, 0xd4, 0xb9,
    0xff, 0x07, 0xde, 0xff, 0xff, 0x00, 0xc7, 0xd4, 0x00, 0xec, 0x2a, 0x15, 0xa5, 0x2a, 0x2a,
    0xca, 0x2a, 0x3f, 0xef, 0xa8, 0x2a, 0xbf, 0xcd, 0x2a, 0xd4, 0xf2, 0x2a, 0xe9, 0x17, 0x2a,
    0xff, 0x00, 0x00, 0x00, 0x00, 0x25, 0x00, 0x15, 0x4a, 0x00, 0x2a, 0x6f, 0x00, 0x3f, 0x94,
    0x00, 0x55, 0xb9, 0x00, 0x6a, 0xde, 0x00, 0x7f, 0x03, 0x00, 0x94, 0x28, 0x00, 0xaa, 0x4d,
    0x00, 0xbf, 0x72, 0x00, 0xd4, 0x97, 0xe6, 0x00, 0xe9, 0x55, 0xd4, 0x4d, 0x00};

TEST(FuzzFindings, AShortBmpDeclaringAHugePictureIsDamaged) {
  TempDir dir;
  const std::string input = dir.File("input.picture");
  const std::string output = dir.File("output.ico");
  WriteBytes(input, kShortWideBmp);
  MessageRecorder messages;
  LineRandom::Seed(1);
  EXPECT_FALSE(GenerateIconFile(input, output, {true, 1, 2, 0x00FF00}, {24, 2}, 24));
  EXPECT_EQ(
      messages.messages(),
      (std::vector<RecordedMessage>{{"Unsupported or damaged image file.", MessageIcon::kError}}));
  EXPECT_EQ(dir.List(), std::vector<std::string>{"input.picture"});
}

void PutBigEndian32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<uint8_t>(v >> shift));
  }
}

void PutTag(std::vector<uint8_t>& out, const std::string& tag) {
  for (const char c : tag) {
    out.push_back(static_cast<uint8_t>(c));
  }
}

// An ICNS file whose table of contents gives its one element ('icp4', a PNG)
// the length 0. Qt's ICNS reader took that as a request for 8 GiB and
// allocated it: address space only (the buffer is filled with the file's few
// bytes), but the fuzz run's allocation limit stopped there. The picture is
// still read. Run 32 bits, no lines, size 16.
TEST(FuzzFindings, AnIcnsTableOfContentsWithALengthOfZeroIsReadInBoundedMemory) {
  const std::vector<uint8_t> png =
      testing::EncodePng(testing::MakeBitmap(12, 7, [](int32_t x, int32_t y) {
        return 0xFF000000u | uint32_t(x * 20) << 8 | uint32_t(y);
      }));
  std::vector<uint8_t> body;
  PutTag(body, "TOC ");
  PutBigEndian32(body, 16);
  PutTag(body, "icp4");
  PutBigEndian32(body, 0);
  PutTag(body, "icp4");
  PutBigEndian32(body, static_cast<uint32_t>(8 + png.size()));
  body.insert(body.end(), png.begin(), png.end());
  std::vector<uint8_t> icns;
  PutTag(icns, "icns");
  PutBigEndian32(icns, static_cast<uint32_t>(8 + body.size()));
  icns.insert(icns.end(), body.begin(), body.end());

  TempDir dir;
  const std::string input = dir.File("input.picture");
  const std::string output = dir.File("output.ico");
  WriteBytes(input, icns);
  MessageRecorder messages;
  LineRandom::Seed(1);
  EXPECT_TRUE(GenerateIconFile(input, output, {}, {16}, 32));
  EXPECT_TRUE(messages.messages().empty());
  EXPECT_EQ(testing::ReadBytes(output).size(), 22u + 40 + 16 * 16 * 4 + 16 * 4);
}

}  // namespace
}  // namespace zelmor
