#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace zelmor {

// A file's bytes, mapped where the file system allows (no copy, and only the
// pages looked at are read), else read whole. Empty for a file that cannot be
// opened or is empty.
class MappedFile {
 public:
  explicit MappedFile(const std::string& path);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  std::span<const uint8_t> bytes() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zelmor
