#include "cli/file_order.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>

namespace zelmor::cli {
namespace {

// One spelling per file: "a.png", "./a.png" and a link to it give the same key.
std::string FileKey(const std::string& path) {
  std::error_code error;
  std::filesystem::path key = std::filesystem::weakly_canonical(path, error);
  if (error) {
    key = std::filesystem::absolute(path, error).lexically_normal();
    if (error) {
      key = std::filesystem::path(path).lexically_normal();
    }
  }
  return key.native();
}

}  // namespace

std::vector<std::vector<std::size_t>> SharedFileOrder(const std::vector<std::string>& inputs,
                                                      const std::vector<std::string>& outputs) {
  // Per file, the last conversion that wrote it and those that read it since.
  // Waiting for these is enough: each of them waited for the ones before it.
  std::map<std::string, std::size_t> last_writer;
  std::map<std::string, std::vector<std::size_t>> readers;
  std::vector<std::vector<std::size_t>> after(inputs.size());
  for (std::size_t job = 0; job < inputs.size(); ++job) {
    const std::string read = FileKey(inputs[job]);
    const std::string written = FileKey(outputs[job]);
    std::vector<std::size_t>& waits = after[job];
    if (const auto writer = last_writer.find(read); writer != last_writer.end()) {
      waits.push_back(writer->second);
    }
    if (const auto writer = last_writer.find(written); writer != last_writer.end()) {
      waits.push_back(writer->second);
    }
    std::vector<std::size_t>& readers_of_output = readers[written];
    waits.insert(waits.end(), readers_of_output.begin(), readers_of_output.end());
    readers_of_output.clear();
    std::sort(waits.begin(), waits.end());
    waits.erase(std::unique(waits.begin(), waits.end()), waits.end());
    readers[read].push_back(job);
    last_writer[written] = job;
  }
  return after;
}

}  // namespace zelmor::cli
