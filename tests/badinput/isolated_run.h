#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/message_recorder.h"

namespace zelmor::testing {

// What an engine call did in a child process of its own.
struct IsolatedOutcome {
  // Empty when the child reported back; otherwise how it ended (a signal, a
  // sanitizer's exit status, an exception).
  std::string abnormalEnd;
  bool result = false;
  std::vector<RecordedMessage> messages;
  // How far the child's peak resident memory rose above what it started with.
  uint64_t peakGrowthBytes = 0;
};

// Runs `call` in a forked child with a message recorder installed, so that its
// peak memory is its own and a crash cannot take the test process down.
IsolatedOutcome RunIsolated(const std::function<bool()>& call);

// The growth no bad input may push memory past: the 1 GiB imaging limit with
// room for the bookkeeping around one picture of that size (and the shadow
// memory AddressSanitizer keeps for it, in a sanitizer build).
uint64_t PeakGrowthLimit();

}  // namespace zelmor::testing
