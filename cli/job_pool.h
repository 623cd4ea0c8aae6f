#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace zelmor::cli {

// What one job had to say: its lines for stdout and for stderr.
struct JobOutput {
  std::string out;
  std::string err;
};

// Runs run(0) .. run(count - 1) on up to `workers` threads, which take the
// jobs in order. Job k starts only once every job listed in after[k] (all
// earlier than k) has finished. print() gets each job's output in job order,
// as soon as that job and every earlier one have finished, one call at a
// time. Returns when every job has been run and printed.
void RunJobsInOrder(std::size_t count, int workers,
                    const std::vector<std::vector<std::size_t>>& after,
                    const std::function<JobOutput(std::size_t)>& run,
                    const std::function<void(const JobOutput&)>& print);

}  // namespace zelmor::cli
