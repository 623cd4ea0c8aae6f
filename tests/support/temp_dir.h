#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zelmor::testing {

// A fresh folder removed with everything in it when the object dies.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Path of `name` inside the folder, as the engines take it (UTF-8).
  std::string File(const std::string& name) const;
  // Names of everything in the folder, sorted.
  std::vector<std::string> List() const;

 private:
  std::filesystem::path path_;
};

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace zelmor::testing
