#include "platform/line_random_turn.h"

#include <stdexcept>

#include "platform/line_random.h"

namespace zelmor {
namespace {

// The batch job this thread runs, if any.
struct CurrentJob {
  LineRandomSequence* sequence = nullptr;
  std::size_t index = 0;
  bool passed = false;  // done with the sequence: the turn is gone
  int depth = 0;        // turns open on this thread, nested ones included
};

thread_local CurrentJob current_job;

}  // namespace

LineRandomSequence::LineRandomSequence(uint32_t seed) : state_(seed) {}

void LineRandomSequence::WaitForTurn(std::size_t job) {
  std::unique_lock lock(mutex_);
  turn_passed_.wait(lock, [&] { return current_ == job; });
  LineRandom::Seed(state_);
}

void LineRandomSequence::PassTurn(std::size_t job, uint32_t state) {
  const std::lock_guard lock(mutex_);
  state_ = state;
  MarkPassed(job);
}

void LineRandomSequence::PassTurn(std::size_t job) {
  const std::lock_guard lock(mutex_);
  MarkPassed(job);
}

void LineRandomSequence::MarkPassed(std::size_t job) {
  if (passed_.size() <= job) {
    passed_.resize(job + 1);
  }
  passed_[job] = true;
  while (current_ < passed_.size() && passed_[current_]) {
    ++current_;
  }
  turn_passed_.notify_all();
}

LineRandomJob::LineRandomJob(LineRandomSequence& sequence, std::size_t index) {
  current_job = CurrentJob{&sequence, index};
}

LineRandomJob::~LineRandomJob() {
  if (!current_job.passed) {
    current_job.sequence->PassTurn(current_job.index);
  }
  current_job = CurrentJob{};
}

LineRandomTurn::LineRandomTurn() {
  if (current_job.sequence == nullptr || current_job.depth++ > 0) {
    return;
  }
  if (current_job.passed) {
    current_job.depth = 0;
    // The sequence has moved on to later jobs; drawing now would take their numbers.
    throw std::logic_error("a batch job takes its turn at the line generator only once");
  }
  current_job.sequence->WaitForTurn(current_job.index);
  holds_ = true;
}

LineRandomTurn::~LineRandomTurn() {
  if (current_job.sequence == nullptr || --current_job.depth > 0 || !holds_) {
    return;
  }
  current_job.sequence->PassTurn(current_job.index, LineRandom::State());
  current_job.passed = true;
}

}  // namespace zelmor
