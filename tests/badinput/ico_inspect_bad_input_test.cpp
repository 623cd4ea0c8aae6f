// Damaged and hostile ICO files through the inspector, both renderings and the
// contact sheet. Each run happens in a child process: whatever the file, the
// inspector must name the fault, end normally and keep its peak memory within
// the imaging limit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "inspect/contact_sheet.h"
#include "inspect/icon_inspection.h"
#include "inspect/inspection_json.h"
#include "inspect/inspection_text.h"
#include "platform/imaging.h"
#include "tests/badinput/bad_files.h"
#include "tests/badinput/isolated_run.h"
#include "tests/support/ico_builder.h"

namespace zelmor {
namespace {

using testing::BitmapEntryBuilder;
using testing::DibHeader;
using testing::IcoBuilder;
using testing::IcoEntry;
using testing::IsolatedOutcome;
using testing::PeakGrowthLimit;
using testing::RunIsolated;

using Bytes = std::vector<uint8_t>;

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

IcoEntry Located(Bytes data, uint32_t bytesInRes, uint32_t imageOffset) {
  IcoEntry entry;
  entry.data = std::move(data);
  entry.bytesInRes = bytesInRes;
  entry.imageOffset = imageOffset;
  return entry;
}

Bytes OneEntry(Bytes block) {
  return IcoBuilder().Add(std::move(block)).Build();
}

// 65535 directory entries, all naming the block of the first.
Bytes MaxEntriesSharing(const Bytes& block) {
  IcoBuilder builder;
  builder.Add(block);
  constexpr uint32_t kFirstBlock = 6 + 16 * 0xFFFF;
  for (int i = 1; i < 0xFFFF; ++i) {
    builder.Add(Located({}, static_cast<uint32_t>(block.size()), kFirstBlock));
  }
  return builder.Build();
}

// 65535 entries, one 39-byte block that does not decode, the rest past the end.
Bytes MaxEntriesAllDamaged() {
  IcoBuilder builder;
  builder.Add(Bytes(39, 0x11));
  for (int i = 1; i < 0xFFFF; ++i) {
    builder.Add(Located({}, 39, 6 + 16 * 0xFFFF + 39));
  }
  return builder.Build();
}

struct HostileIcon {
  const char* name;
  Bytes file;
  // A finding the inspector must make; entry -1 for the file as a whole.
  std::string code;
  int entry;
};

void PrintTo(const HostileIcon& c, std::ostream* os) {
  *os << c.name;
}

class HostileIconInspection : public ::testing::TestWithParam<HostileIcon> {};

TEST_P(HostileIconInspection, NamesTheFaultWithinMemory) {
  const HostileIcon& c = GetParam();
  const IsolatedOutcome outcome = RunIsolated([&c] {
    const ImagingSession imaging;
    const IconInspection inspection = InspectIcon(c.file);
    // Both renderings and the sheet run whole, whatever they hold.
    const std::string text = FormatInspectionText(inspection);
    const std::string json = FormatInspectionJson({&inspection, 1});
    const std::optional<Bitmap> sheet = DrawContactSheet(c.file, inspection);
    if (text.empty() || json.empty() || (sheet && sheet->empty())) {
      return false;
    }
    return std::any_of(
        inspection.findings.begin(), inspection.findings.end(), [&c](const Finding& f) {
          return f.code == c.code && (f.entry ? static_cast<int>(*f.entry) : -1) == c.entry;
        });
  });
  ASSERT_EQ(outcome.abnormalEnd, "");
  EXPECT_TRUE(outcome.result) << "no " << c.code << " finding on entry " << c.entry;
  EXPECT_LT(outcome.peakGrowthBytes, PeakGrowthLimit())
      << "peak memory grew by " << (outcome.peakGrowthBytes >> 20) << " MiB";
}

// A PNG signature and the first 12 bytes of its IHDR chunk.
Bytes PngCutInsideItsHeader() {
  Bytes png = testing::PngDeclaring(3, 3);
  png.resize(20);
  return png;
}

Bytes GoodBlock() {
  return BitmapEntryBuilder(4, 4, 32).Pixel(0, 0, 0xFF112233).Build();
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, HostileIconInspection,
    ::testing::Values(
        HostileIcon{"Empty", {}, "not-an-icon", -1},
        HostileIcon{"MaxEntriesInAShortFile", IcoBuilder().Count(0xFFFF).Add(GoodBlock()).Build(),
                    "not-an-icon", -1},
        HostileIcon{"MaxEntriesAllDamaged", MaxEntriesAllDamaged(), "entry-outside-file", 65534},
        HostileIcon{"MaxEntriesSharingASoundBlock", MaxEntriesSharing(GoodBlock()),
                    "entries-overlap", 65534},
        HostileIcon{"MaxEntriesSharingAPngAtTheLimit",
                    MaxEntriesSharing(testing::PngDeclaring(16384, 16384)), "entry-undecodable",
                    65534},
        HostileIcon{"OffsetPlusSizeWrapsAt32Bits",
                    IcoBuilder().Add(Located(GoodBlock(), 0x20, 0xFFFFFFF0)).Build(),
                    "entry-outside-file", 0},
        HostileIcon{"SizeWrapsFromASoundOffset",
                    IcoBuilder().Add(Located(GoodBlock(), 0xFFFFFFFF, 22)).Build(),
                    "entry-outside-file", 0},
        HostileIcon{"PngDeclaring65535Square", OneEntry(testing::PngDeclaring(65535, 65535)),
                    "entry-undecodable", 0},
        HostileIcon{"PngAtTheImagingLimitWithoutData",
                    OneEntry(testing::PngDeclaring(16384, 16384)), "entry-undecodable", 0},
        HostileIcon{"PngCutInsideItsHeader", OneEntry(PngCutInsideItsHeader()), "entry-undecodable",
                    0},
        HostileIcon{"HugeSidesTinyData",
                    OneEntry(Concat(DibHeader(0x7FFFFFFF, 0x7FFFFFFE, 32), Bytes(8, 0))),
                    "entry-undecodable", 0},
        HostileIcon{"PastTheImagingLimitAt1Bit",
                    OneEntry(Concat(DibHeader(16385, 2 * 16384, 1), Bytes(64, 0))),
                    "entry-undecodable", 0},
        HostileIcon{"PaletteCountPast32BitOffsets",
                    OneEntry(Concat(DibHeader(4, 8, 8, 0xFFFFFFFF), Bytes(1200, 0))),
                    "entry-undecodable", 0},
        HostileIcon{"BitCount65535InOnePixel", OneEntry(BitmapEntryBuilder(1, 1, 65535).Build()),
                    "size-mismatch", 0},
        // The largest picture the sheet shows, 4096 x 4096, drawn twice.
        HostileIcon{"SheetOfA4096Entry", OneEntry(BitmapEntryBuilder(4096, 4096, 32).Build()),
                    "size-mismatch", 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelmor
