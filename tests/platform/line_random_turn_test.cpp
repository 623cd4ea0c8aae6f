#include <gtest/gtest.h>

#include <cstddef>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/line_random.h"
#include "platform/line_random_turn.h"

namespace zelmor {
namespace {

// How many numbers job k draws: some draw none and never take their turn.
int DrawsOf(std::size_t job) {
  return static_cast<int>(job % 4) * 3;
}

std::vector<std::vector<int>> DrawInOneThread(uint32_t seed, std::size_t jobs) {
  LineRandom::Seed(seed);
  std::vector<std::vector<int>> drawn(jobs);
  for (std::size_t job = 0; job < jobs; ++job) {
    for (int i = 0; i < DrawsOf(job); ++i) {
      drawn[job].push_back(LineRandom::Next());
    }
  }
  return drawn;
}

TEST(LineRandomTurn, JobsOnManyThreadsDrawWhatOneThreadWouldInJobOrder) {
  constexpr std::size_t kJobs = 16;
  constexpr uint32_t kSeed = 12345;
  std::vector<std::vector<int>> drawn(kJobs);
  {
    LineRandomSequence sequence(kSeed);
    std::vector<std::jthread> threads;
    // Started last job first, so later jobs reach their lines before earlier
    // ones and have to wait for their turn.
    for (std::size_t job = kJobs; job-- > 0;) {
      threads.emplace_back([&sequence, &drawn, job] {
        const LineRandomJob running(sequence, job);
        if (DrawsOf(job) == 0) {
          return;
        }
        const LineRandomTurn turn;
        for (int i = 0; i < DrawsOf(job); ++i) {
          drawn[job].push_back(LineRandom::Next());
        }
      });
    }
  }
  EXPECT_EQ(drawn, DrawInOneThread(kSeed, kJobs));
}

TEST(LineRandomTurn, OutsideABatchItLeavesTheThreadsGeneratorAsItIs) {
  LineRandom::Seed(0);
  {
    const LineRandomTurn turn;
    EXPECT_EQ(LineRandom::Next(), 38);
  }
  EXPECT_EQ(LineRandom::Next(), 7719);
}

TEST(LineRandomTurn, ANestedTurnKeepsTheOuterOneAndASecondTurnIsRefused) {
  LineRandomSequence sequence(0);
  std::thread([&sequence] {
    const LineRandomJob running(sequence, 0);
    {
      const LineRandomTurn outer;
      EXPECT_EQ(LineRandom::Next(), 38);
      {
        const LineRandomTurn inner;
        EXPECT_EQ(LineRandom::Next(), 7719);
      }
      EXPECT_EQ(LineRandom::Next(), 21238);
    }
    // The sequence now belongs to job 1: drawing again would take its numbers.
    EXPECT_THROW(LineRandomTurn(), std::logic_error);
  }).join();
  std::thread([&sequence] {
    const LineRandomJob running(sequence, 1);
    const LineRandomTurn turn;
    EXPECT_EQ(LineRandom::Next(), 2437);
  }).join();
}

}  // namespace
}  // namespace zelmor
