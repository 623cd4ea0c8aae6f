// The inspector's findings, one small icon per fault: each must name exactly
// its own codes, on the right entries, and nothing else.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "inspect/icon_inspection.h"
#include "platform/imaging.h"
#include "tests/inspect/inspect_fixtures.h"
#include "tests/support/ico_builder.h"

namespace zelmor {
namespace {

using testing::BitmapBlock;
using testing::Bytes;
using testing::FindingKey;
using testing::FindingsOf;
using testing::IcoBuilder;
using testing::IcoEntry;

IcoEntry Entry(Bytes data, uint8_t width, uint8_t height, uint16_t bits, uint8_t colours = 0) {
  IcoEntry entry;
  entry.data = std::move(data);
  entry.width = width;
  entry.height = height;
  entry.bitCount = bits;
  entry.colorCount = colours;
  return entry;
}

IcoEntry Bmp16(uint32_t seed = 0) {
  return Entry(BitmapBlock(16, 16, 32, seed), 16, 16, 32);
}

template <typename F>
IcoEntry With(IcoEntry entry, F change) {
  change(entry);
  return entry;
}

Bytes Truncated(Bytes bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

struct FaultCase {
  const char* name;
  Bytes file;
  std::vector<FindingKey> findings;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << c.name;
}

const FindingKey kNo256{"no-256", -1};

std::vector<FaultCase> FaultCases() {
  const Bytes bmp16 = Bmp16().data;
  const uint32_t firstBlock16 = 6 + 16;  // after a directory of one entry
  const uint32_t secondOfTwo = 6 + 2 * 16;
  return {
      {"sound icon, largest first",
       IcoBuilder()
           .Add(Entry(testing::RgbaPng(256, 256), 0, 0, 32))
           .Add(Entry(BitmapBlock(48, 48, 32), 48, 48, 32))
           .Add(Entry(BitmapBlock(16, 16, 4), 16, 16, 4, 16))
           .Build(),
       {}},
      {"bitmaps without 256", IcoBuilder().Add(Bmp16()).Build(), {kNo256}},
      {"5 bytes", {0, 0, 1, 0, 1}, {{"not-an-icon", -1}}},
      {"cursor", IcoBuilder().Type(2).Add(Bmp16()).Build(), {{"not-an-icon", -1}}},
      {"no entries", IcoBuilder().Build(), {{"not-an-icon", -1}}},
      {"directory past the end",
       Truncated(IcoBuilder().Count(3).Add(Bmp16()).Build(), 6 + 47),
       {{"not-an-icon", -1}}},
      {"type 0 with idReserved 1",
       {1, 0, 0, 0, 1, 0},
       {{"not-an-icon", -1}, {"reserved-not-zero", -1}}},
      {"entry longer than the file",
       IcoBuilder().Add(With(Bmp16(), [](IcoEntry& e) { e.bytesInRes = 0xFFFFFFF0u; })).Build(),
       {{"entry-outside-file", 0}, kNo256}},
      {"entry past the end",
       IcoBuilder().Add(With(Bmp16(), [](IcoEntry& e) { e.imageOffset = 100000; })).Build(),
       {{"entry-outside-file", 0}, kNo256, {"unused-bytes", -1}}},
      {"neither PNG nor bitmap",
       IcoBuilder().Add(Entry(Bytes(39, 0x11), 16, 16, 32)).Build(),
       {{"entry-undecodable", 0}, kNo256}},
      {"PNG cut short",
       IcoBuilder().Add(Entry(Truncated(testing::RgbaPng(256, 256), 60), 0, 0, 32)).Build(),
       {{"entry-undecodable", 0}, kNo256}},
      {"two entries naming one block",
       IcoBuilder()
           .Add(Bmp16())
           .Add(With(Entry({}, 16, 16, 32),
                     [&](IcoEntry& e) {
                       e.bytesInRes = static_cast<uint32_t>(bmp16.size());
                       e.imageOffset = secondOfTwo;
                     }))
           .Build(),
       {{"entries-overlap", 1}, {"duplicate-entry", 1}, kNo256}},
      {"first block reaching into the second",
       IcoBuilder()
           .Add(With(Bmp16(),
                     [&](IcoEntry& e) { e.bytesInRes = static_cast<uint32_t>(bmp16.size() + 10); }))
           .Add(Entry(BitmapBlock(8, 8, 32), 8, 8, 32))
           .Build(),
       {{"entries-overlap", 1}, kNo256}},
      {"directory says 32x32 of 16x16",
       IcoBuilder().Add(Entry(bmp16, 32, 32, 32)).Build(),
       {{"size-mismatch", 0}, kNo256}},
      {"directory says 0 (256) of 16x16",
       IcoBuilder().Add(Entry(bmp16, 0, 16, 32)).Build(),
       {{"size-mismatch", 0}, kNo256}},
      {"RGB PNG",
       IcoBuilder().Add(Entry(testing::RgbPng(256, 256), 0, 0, 24)).Build(),
       {{"png-not-rgba", 0}}},
      {"palette PNG",
       IcoBuilder().Add(Entry(testing::PalettePng(256, 256), 0, 0, 8)).Build(),
       {{"png-not-rgba", 0}}},
      {"idReserved 1",
       IcoBuilder().Reserved(1).Add(Bmp16()).Build(),
       {{"reserved-not-zero", -1}, kNo256}},
      {"bReserved 3",
       IcoBuilder().Add(With(Bmp16(), [](IcoEntry& e) { e.reserved = 3; })).Build(),
       {{"reserved-not-zero", 0}, kNo256}},
      {"planes 0",
       IcoBuilder().Add(With(Bmp16(), [](IcoEntry& e) { e.planes = 0; })).Build(),
       {{"planes-not-one", 0}, kNo256}},
      {"planes 2",
       IcoBuilder().Add(With(Bmp16(), [](IcoEntry& e) { e.planes = 2; })).Build(),
       {{"planes-not-one", 0}, kNo256}},
      {"two 16x16 32-bit entries",
       IcoBuilder().Add(Bmp16(0)).Add(Bmp16(1)).Build(),
       {{"duplicate-entry", 1}, kNo256}},
      {"16x16 at two depths",
       IcoBuilder().Add(Bmp16()).Add(Entry(BitmapBlock(16, 16, 8), 16, 16, 8)).Build(),
       {kNo256}},
      {"16x8",
       IcoBuilder().Add(Entry(BitmapBlock(16, 8), 16, 8, 32)).Build(),
       {{"not-square", 0}, kNo256}},
      {"16x16 PNG",
       IcoBuilder().Add(Entry(testing::RgbaPng(16, 16), 16, 16, 32)).Build(),
       {{"png-small-entry", 0}, kNo256}},
      {"five 256x256 bitmaps, over 1 MiB",
       [] {
         IcoBuilder builder;
         for (uint32_t seed = 0; seed < 5; ++seed) {
           builder.Add(Entry(BitmapBlock(256, 256, 32, seed), 0, 0, 32));
         }
         return builder.Build();
       }(),
       {{"over-1mib", -1},
        {"duplicate-entry", 1},
        {"duplicate-entry", 2},
        {"duplicate-entry", 3},
        {"duplicate-entry", 4}}},
      {"16 before 32",
       IcoBuilder().Add(Bmp16()).Add(Entry(BitmapBlock(32, 32), 32, 32, 32)).Build(),
       {kNo256, {"ascending-order", 0}}},
      {"gap before the block",
       [&] {
         Bytes padded = bmp16;
         padded.insert(padded.begin(), 8, 0xEE);
         IcoEntry entry = Entry(padded, 16, 16, 32);
         entry.imageOffset = firstBlock16 + 8;
         entry.bytesInRes = static_cast<uint32_t>(bmp16.size());
         return IcoBuilder().Add(entry).Build();
       }(),
       {kNo256, {"unused-bytes", -1}}},
      {"bytes after the last block",
       IcoBuilder().Add(Bmp16()).Tail(Bytes(5, 0)).Build(),
       {kNo256, {"unused-bytes", -1}}},
  };
}

class InspectionFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(InspectionFault, NamesExactlyItsFindings) {
  EXPECT_EQ(FindingsOf(GetParam().file), GetParam().findings);
}

INSTANTIATE_TEST_SUITE_P(Inspect, InspectionFault, ::testing::ValuesIn(FaultCases()));

// What bColorCount and wBitCount must hold for each depth: the palette's
// length below 8 bits, 0 from 8 bits up (256 does not fit the byte); a bit
// count of 0 or the picture's own.
struct DepthCase {
  uint16_t pictureBits;
  uint16_t directoryBits;
  uint8_t colours;
  bool mismatch;
};

TEST(InspectionBits, ColourCountAndBitCountAgreeOnlyAsWritersMeanThem) {
  const DepthCase cases[] = {
      {1, 1, 2, false},   {1, 1, 0, true},    {2, 2, 4, false},  {4, 4, 16, false},
      {4, 4, 0, true},    {4, 0, 16, false},  {8, 8, 0, false},  {8, 8, 255, true},
      {16, 16, 0, false}, {24, 24, 0, false}, {24, 32, 0, true}, {32, 0, 0, false},
      {32, 24, 0, true},  {32, 32, 16, true},
  };
  for (const DepthCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.pictureBits << "-bit picture, directory bits "
                                      << c.directoryBits << ", colours " << int{c.colours});
    const Bytes file =
        IcoBuilder()
            .Add(Entry(BitmapBlock(16, 16, c.pictureBits), 16, 16, c.directoryBits, c.colours))
            .Build();
    std::vector<FindingKey> expected;
    if (c.mismatch) {
      expected.push_back({"bits-mismatch", 0});
    }
    expected.push_back(kNo256);
    EXPECT_EQ(FindingsOf(file), expected);
  }
}

TEST(InspectionRecord, HoldsThePicturesSizeBesideTheDirectorysFields) {
  const Bytes png = testing::RgbaPng(256, 256);
  const Bytes file =
      IcoBuilder()
          .Add(Entry(png, 0, 0, 32))
          .Add(With(Entry(Bytes(39, 0x11), 20, 30, 8, 7), [](IcoEntry& e) { e.planes = 3; }))
          .Build();
  const ImagingSession imaging;
  const IconInspection inspection = InspectIcon(file);
  EXPECT_EQ(inspection.bytes, file.size());
  EXPECT_EQ(inspection.type, 1);
  EXPECT_EQ(inspection.count, 2);
  ASSERT_EQ(inspection.entries.size(), 2u);
  const InspectedEntry& first = inspection.entries[0];
  EXPECT_EQ(first.width, 256);
  EXPECT_EQ(first.height, 256);
  EXPECT_EQ(first.bits, 32);
  EXPECT_TRUE(first.png);
  EXPECT_EQ(first.directory.width, 0) << "the directory keeps its 0";
  EXPECT_EQ(first.directory.bytesInRes, png.size());
  EXPECT_EQ(first.directory.imageOffset, 6u + 32u);
  const InspectedEntry& second = inspection.entries[1];
  EXPECT_FALSE(second.width || second.height || second.bits);
  EXPECT_FALSE(second.png);
  EXPECT_EQ(second.directory.width, 20);
  EXPECT_EQ(second.directory.height, 30);
  EXPECT_EQ(second.directory.colorCount, 7);
  EXPECT_EQ(second.directory.planes, 3);
  EXPECT_EQ(second.directory.bitCount, 8);
  EXPECT_TRUE(inspection.HasError());
  for (const Finding& finding : inspection.findings) {
    if (finding.entry) {
      EXPECT_EQ(finding.message.rfind("entry " + std::to_string(*finding.entry) + ": ", 0), 0u)
          << finding.message;
    }
  }
}

}  // namespace
}  // namespace zelmor
