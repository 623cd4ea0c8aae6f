#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zelmor {

// A read, write, length or commit failure after a file was opened. Carries
// the cause and the path the user named; front ends show UserText().
class FileError : public std::runtime_error {
 public:
  enum class Cause { kDiskFull, kOther };

  FileError(Cause cause, std::string path);
  Cause cause() const { return cause_; }
  const std::string& path() const { return path_; }
  // "访问 <path> 时磁盘已满。" or "访问 <path> 时发生了未知错误。"
  std::string UserText() const;

 private:
  Cause cause_;
  std::string path_;
};

// True for an existing file or folder.
bool PathExists(const std::string& path);

// True when both paths name the same existing file (links and relative
// spellings resolved).
bool IsSameFile(const std::string& a, const std::string& b);

// A file opened for reading. Open() answers nullptr when the path cannot be
// opened as a regular file (missing, a folder, no permission); later failures
// throw FileError.
class InputFile {
 public:
  virtual ~InputFile() = default;
  static std::unique_ptr<InputFile> Open(const std::string& path);

  virtual uint64_t Length() = 0;
  // Reads up to `count` bytes; returns how many were read.
  virtual std::size_t Read(uint8_t* buffer, std::size_t count) = 0;
  // Moves the read position to `offset` from the start; false past the end.
  virtual bool Seek(uint64_t offset) = 0;
};

// A file written beside its target and moved over it only by Commit(), so an
// existing file at the path is replaced by a complete result or not at all.
// Create() answers nullptr when the file cannot be created (missing folder, no
// permission, a folder at the path). Write() and Commit() throw FileError;
// destroying an uncommitted OutputFile removes the temporary file.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  static std::unique_ptr<OutputFile> Create(const std::string& path);

  virtual void Write(const uint8_t* data, std::size_t size) = 0;
  void Write(const std::vector<uint8_t>& bytes) { Write(bytes.data(), bytes.size()); }
  virtual void Commit() = 0;
};

// Test seam: makes the next output files on this thread fail once
// `failAfterBytes` bytes have been written, with `cause`. Cleared by passing
// nullopt.
struct OutputFault {
  uint64_t failAfterBytes;
  FileError::Cause cause;
};
void SetOutputFaultForTesting(std::optional<OutputFault> fault);

}  // namespace zelmor
