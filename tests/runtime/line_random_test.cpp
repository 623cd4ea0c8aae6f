#include <gtest/gtest.h>

#include <thread>

#include "platform/line_random.h"

namespace zelmor {
namespace {

TEST(LineRandom, SeedZeroGivesTheKnownSequence) {
  LineRandom::Seed(0);
  const int expected[] = {38, 7719, 21238, 2437, 8855};
  for (int value : expected) {
    EXPECT_EQ(LineRandom::Next(), value);
  }
}

TEST(LineRandom, ResultsStayWithinFifteenBits) {
  LineRandom::Seed(0xDEADBEEF);
  for (int i = 0; i < 100000; ++i) {
    const int value = LineRandom::Next();
    ASSERT_GE(value, 0);
    ASSERT_LE(value, 32767);
  }
}

TEST(LineRandom, EachThreadStartsUnseededAtOne) {
  LineRandom::Seed(12345);
  int first_on_new_thread = -1;
  std::thread([&] { first_on_new_thread = LineRandom::Next(); }).join();
  // State 1 * 214013 + 2531011 = 2745024; (2745024 >> 16) & 0x7FFF = 41.
  EXPECT_EQ(first_on_new_thread, 41);
  EXPECT_EQ(LineRandom::State(), 12345u) << "another thread's draws must not move this state";
}

}  // namespace
}  // namespace zelmor
