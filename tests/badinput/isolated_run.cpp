#include "tests/badinput/isolated_run.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <sstream>

#if defined(__SANITIZE_ADDRESS__)
#define ZELMOR_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZELMOR_UNDER_ASAN 1
#endif
#endif

namespace zelmor::testing {
namespace {

uint64_t PeakResidentBytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<uint64_t>(usage.ru_maxrss) * 1024;  // Linux counts KiB
}

void WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t put = write(fd, text.data() + done, text.size() - done);
    if (put <= 0) {
      _exit(4);
    }
    done += static_cast<std::size_t>(put);
  }
}

// The child's report: one line of result and growth, then one line per
// message (icon, a space, the text).
[[noreturn]] void RunChild(int fd, const std::function<bool()>& call) {
  const uint64_t before = PeakResidentBytes();
  std::ostringstream report;
  {
    MessageRecorder recorder;
    bool result = false;
    try {
      result = call();
    } catch (const std::exception& error) {
      WriteAll(fd, std::string("threw: ") + error.what());
      _exit(3);
    } catch (...) {
      WriteAll(fd, "threw a non-standard exception");
      _exit(3);
    }
    const uint64_t after = PeakResidentBytes();
    report << (result ? 1 : 0) << ' ' << (after > before ? after - before : 0) << '\n';
    for (const RecordedMessage& message : recorder.messages()) {
      report << static_cast<int>(message.icon) << ' ' << message.text << '\n';
    }
  }
  WriteAll(fd, report.str());
  close(fd);
  _exit(0);
}

}  // namespace

IsolatedOutcome RunIsolated(const std::function<bool()>& call) {
  IsolatedOutcome outcome;
  int fds[2];
  if (pipe(fds) != 0) {
    outcome.abnormalEnd = "cannot make a pipe";
    return outcome;
  }
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) {
    outcome.abnormalEnd = "cannot fork";
    return outcome;
  }
  if (child == 0) {
    close(fds[0]);
    RunChild(fds[1], call);
  }
  close(fds[1]);
  std::string report;
  char buffer[4096];
  for (ssize_t got; (got = read(fds[0], buffer, sizeof buffer)) != 0;) {
    if (got < 0) {
      break;
    }
    report.append(buffer, static_cast<std::size_t>(got));
  }
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);

  if (WIFSIGNALED(status)) {
    outcome.abnormalEnd = "killed by signal " + std::to_string(WTERMSIG(status));
    return outcome;
  }
  if (WEXITSTATUS(status) != 0) {
    outcome.abnormalEnd = "exit status " + std::to_string(WEXITSTATUS(status)) + ": " + report;
    return outcome;
  }
  std::istringstream in(report);
  int result = 0;
  in >> result >> outcome.peakGrowthBytes;
  outcome.result = result != 0;
  in.ignore(1);
  for (std::string line; std::getline(in, line);) {
    const std::size_t space = line.find(' ');
    outcome.messages.push_back(
        {line.substr(space + 1), static_cast<MessageIcon>(std::stoi(line.substr(0, space)))});
  }
  return outcome;
}

uint64_t PeakGrowthLimit() {
  constexpr uint64_t kMiB = uint64_t{1} << 20;
#ifdef ZELMOR_UNDER_ASAN
  return 1536 * kMiB;
#else
  return 1228 * kMiB;
#endif
}

}  // namespace zelmor::testing
