#include "cli/job_pool.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace zelmor::cli {
namespace {

class OrderedJobs {
 public:
  OrderedJobs(std::size_t count, const std::vector<std::vector<std::size_t>>& after,
              const std::function<JobOutput(std::size_t)>& run,
              const std::function<void(const JobOutput&)>& print)
      : after_(after), run_(run), print_(print), outputs_(count), finished_(count, false) {}

  // One worker: takes the next job until none is left.
  void Work() {
    while (true) {
      std::size_t job = 0;
      {
        std::unique_lock lock(mutex_);
        if (next_ == outputs_.size()) {
          return;
        }
        job = next_++;
        // The jobs waited for were taken before this one, so they are running
        // or done: the wait always ends.
        finished_changed_.wait(lock, [&] {
          return std::all_of(after_[job].begin(), after_[job].end(),
                             [&](std::size_t earlier) { return finished_[earlier]; });
        });
      }
      JobOutput output = run_(job);
      Finish(job, std::move(output));
    }
  }

 private:
  void Finish(std::size_t job, JobOutput output) {
    const std::lock_guard lock(mutex_);
    outputs_[job] = std::move(output);
    finished_[job] = true;
    // Printing under the lock keeps the blocks whole and in job order.
    while (printed_ < outputs_.size() && finished_[printed_]) {
      print_(*outputs_[printed_]);
      outputs_[printed_].reset();
      ++printed_;
    }
    finished_changed_.notify_all();
  }

  const std::vector<std::vector<std::size_t>>& after_;
  const std::function<JobOutput(std::size_t)>& run_;
  const std::function<void(const JobOutput&)>& print_;
  std::mutex mutex_;
  std::condition_variable finished_changed_;
  std::vector<std::optional<JobOutput>> outputs_;
  std::vector<bool> finished_;
  std::size_t next_ = 0;
  std::size_t printed_ = 0;
};

}  // namespace

void RunJobsInOrder(std::size_t count, int workers,
                    const std::vector<std::vector<std::size_t>>& after,
                    const std::function<JobOutput(std::size_t)>& run,
                    const std::function<void(const JobOutput&)>& print) {
  OrderedJobs jobs(count, after, run, print);
  const std::size_t threads =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(workers, 1)), count);
  std::vector<std::jthread> pool;
  pool.reserve(threads);
  for (std::size_t i = 0; i < threads; ++i) {
    pool.emplace_back([&jobs] { jobs.Work(); });
  }
}

}  // namespace zelmor::cli
