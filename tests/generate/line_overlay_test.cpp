#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "generate/line_overlay.h"
#include "platform/line_random.h"

namespace zelmor {
namespace {

struct Line {
  int32_t x1, y1, x2, y2;
  uint32_t argb;
  friend bool operator==(const Line&, const Line&) = default;
};

class RecordingSurface : public LineSurface {
 public:
  void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t argb) override {
    lines.push_back({x1, y1, x2, y2, argb});
  }
  std::vector<Line> lines;
};

// How many numbers the generator gave between two states.
int DrawsBetween(uint32_t from, uint32_t to) {
  LineRandom::Seed(from);
  for (int n = 0; n < 1000000; ++n) {
    if (LineRandom::State() == to) return n;
    LineRandom::Next();
  }
  return -1;
}

struct RangeCase {
  int32_t min, max;
  int32_t low, high;
};

class NormalizeLineRangeTest : public ::testing::TestWithParam<RangeCase> {};

TEST_P(NormalizeLineRangeTest, ClampsTheMinimumAndRaisesTheMaximum) {
  const auto [low, high] = NormalizeLineRange(GetParam().min, GetParam().max);
  EXPECT_EQ(low, GetParam().low);
  EXPECT_EQ(high, GetParam().high);
}

INSTANTIATE_TEST_SUITE_P(Lines, NormalizeLineRangeTest,
                         ::testing::Values(RangeCase{5, 10, 5, 10}, RangeCase{-4, 2, 0, 2},
                                           RangeCase{7, 2, 7, 7}, RangeCase{-2, -9, 0, 0},
                                           RangeCase{1500, 1000, 1500, 1500},
                                           RangeCase{INT_MIN, INT_MAX, 0, INT_MAX}));

TEST(ColorRefToArgb, SwapsRedAndBlueAndForcesOpaque) {
  EXPECT_EQ(ColorRefToArgb(0x00FF8000), 0xFF0080FFu);
  EXPECT_EQ(ColorRefToArgb(255), 0xFFFF0000u);
  EXPECT_EQ(ColorRefToArgb(0xAB000000), 0xFF000000u) << "the top byte must be ignored";
}

TEST(DrawRandomLines, TakesTheCountThenFourNumbersPerLineInOrder) {
  LineRandom::Seed(0);  // 38, 7719, 21238, 2437, 8855, ...
  RecordingSurface surface;
  DrawRandomLines(surface, 32, 16, 1, 1, 0x00FF8000);
  // Count: 38 % 1 = 0, so one line; then end y, end x, start y, start x.
  ASSERT_EQ(surface.lines.size(), 1u);
  EXPECT_EQ(surface.lines[0], (Line{8855 % 32, 2437 % 16, 21238 % 32, 7719 % 16, 0xFF0080FF}));
}

TEST(DrawRandomLines, ExactCountConsumesOnePlusFourPerLine) {
  LineRandom::Seed(99);
  RecordingSurface surface;
  DrawRandomLines(surface, 48, 48, 3, 3, 255);
  EXPECT_EQ(surface.lines.size(), 3u);
  EXPECT_EQ(DrawsBetween(99, LineRandom::State()), 1 + 12);
}

TEST(DrawRandomLines, NoPositiveMaximumDrawsAndConsumesNothing) {
  for (const auto& [min, max] : {std::pair{0, 0}, std::pair{-2, 0}, std::pair{0, -5}}) {
    LineRandom::Seed(7);
    RecordingSurface surface;
    DrawRandomLines(surface, 16, 16, min, max, 255);
    EXPECT_TRUE(surface.lines.empty());
    EXPECT_EQ(LineRandom::State(), 7u) << min << ".." << max;
  }
}

TEST(DrawRandomLines, EveryCountOfARangeOccursAndEndPointsStayInside) {
  LineRandom::Seed(2024);
  std::vector<int> seen(11, 0);
  for (int run = 0; run < 400; ++run) {
    RecordingSurface surface;
    DrawRandomLines(surface, 32, 16, 5, 10, 255);
    ASSERT_GE(surface.lines.size(), 5u);
    ASSERT_LE(surface.lines.size(), 10u);
    ++seen[surface.lines.size()];
    for (const Line& line : surface.lines) {
      ASSERT_TRUE(line.x1 >= 0 && line.x1 < 32 && line.x2 >= 0 && line.x2 < 32);
      ASSERT_TRUE(line.y1 >= 0 && line.y1 < 16 && line.y2 >= 0 && line.y2 < 16);
    }
  }
  for (int count = 5; count <= 10; ++count) EXPECT_GT(seen[count], 0) << count;
}

TEST(DrawRandomLines, AZeroCountStillTakesItsNumber) {
  // 0..2 with seed 0: 38 % 3 = 2 lines; find a seed whose first draw gives 0.
  for (uint32_t seed = 0;; ++seed) {
    LineRandom::Seed(seed);
    if (LineRandom::Next() % 3 != 0) continue;
    LineRandom::Seed(seed);
    RecordingSurface surface;
    DrawRandomLines(surface, 8, 8, 0, 2, 255);
    EXPECT_TRUE(surface.lines.empty());
    EXPECT_EQ(DrawsBetween(seed, LineRandom::State()), 1);
    break;
  }
}

TEST(DrawRandomLines, TheWidestRangeTakesNoNumberForItsCount) {
  // 0..INT_MAX has 2^31 counts, more than a 32-bit range holds: the count
  // stays at the minimum, 0, and no number is drawn.
  LineRandom::Seed(5);
  RecordingSurface surface;
  DrawRandomLines(surface, 8, 8, 0, INT_MAX, 255);
  EXPECT_TRUE(surface.lines.empty());
  EXPECT_EQ(LineRandom::State(), 5u);
}

}  // namespace
}  // namespace zelmor
