#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace zelmor {

// One run of the line generator shared by the jobs of a batch that run on
// several threads. The jobs take the sequence in job order, whatever order
// they reach their lines in, so every job draws the numbers it would draw
// if the jobs ran one after another on one thread.
class LineRandomSequence {
 public:
  explicit LineRandomSequence(uint32_t seed);
  LineRandomSequence(const LineRandomSequence&) = delete;
  LineRandomSequence& operator=(const LineRandomSequence&) = delete;

 private:
  friend class LineRandomJob;
  friend class LineRandomTurn;

  void WaitForTurn(std::size_t job);
  // Marks `job` as done with the sequence, leaving `state` for the next ones.
  void PassTurn(std::size_t job, uint32_t state);
  void PassTurn(std::size_t job);
  void MarkPassed(std::size_t job);  // with mutex_ held

  std::mutex mutex_;
  std::condition_variable turn_passed_;
  uint32_t state_;
  std::size_t current_ = 0;  // the first job not yet done with the sequence
  std::vector<bool> passed_;
};

// Runs job `index` of `sequence` on this thread for the life of this object.
// A job that never took its turn (it drew no lines, or failed before) passes
// it on here, so the jobs after it need not wait for it.
class LineRandomJob {
 public:
  LineRandomJob(LineRandomSequence& sequence, std::size_t index);
  ~LineRandomJob();
  LineRandomJob(const LineRandomJob&) = delete;
  LineRandomJob& operator=(const LineRandomJob&) = delete;
};

// Taken by an engine right before it draws its first line and held until its
// last one is drawn. On a thread running a batch job it waits until every
// earlier job is done with the sequence and puts the shared state into this
// thread's LineRandom; on release it hands the state on to the next job.
// Elsewhere (the dialog, a single conversion) it does nothing. A job takes
// its turn once; a turn taken inside another on the same thread does nothing.
class LineRandomTurn {
 public:
  LineRandomTurn();
  ~LineRandomTurn();
  LineRandomTurn(const LineRandomTurn&) = delete;
  LineRandomTurn& operator=(const LineRandomTurn&) = delete;

 private:
  bool holds_ = false;
};

}  // namespace zelmor
