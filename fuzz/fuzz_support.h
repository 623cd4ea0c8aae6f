#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/messages.h"

namespace zelmor::fuzz {

// Path of `name` in a scratch folder of this process, made on first use (in
// /dev/shm when there is one, so the engines' file round trips stay in memory)
// and removed when the process exits.
std::string ScratchFile(const std::string& name);

void WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes);
void RemoveFile(const std::string& path);
bool FileExists(const std::string& path);

// Engines report failures as messages; while fuzzing they are expected and
// only slow the run down.
class DropMessages {
 public:
  DropMessages() : sink_([](const std::string&, MessageIcon) {}) {}

 private:
  ScopedMessageSink sink_;
};

// Stops the run with `what` when `condition` fails, so libFuzzer records the
// input as a finding.
void Check(bool condition, const char* what);

// Checks a decoded picture against the imaging limit and reads every pixel,
// so that a picture shorter than it claims shows up. With `sampleLarge`, a
// picture over 4 Mi pixels has only its first and last rows read: a few bytes
// can declare a canvas of hundreds of MiB, legitimately, and scanning it all
// under coverage would be a timeout of this check, not of the decoder.
void CheckDecodedPicture(const Bitmap& picture, bool sampleLarge = false);

// Reads an ICO file that an engine wrote back through the project's own reader
// and checks it whole: no message, every entry at depth `bits`, blocks back to
// back in directory order, and each block decoding as the square its directory
// entry announces, with the length that depth gives. Returns the edge lengths
// in file order.
std::vector<int32_t> ReadBackWrittenIcon(const std::string& path, int bits);

// Takes bytes off the front of a fuzz input, then 0 once it is used up.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  uint8_t Take() { return offset_ < size_ ? data_[offset_++] : 0; }
  std::span<const uint8_t> Rest() const { return {data_ + offset_, size_ - offset_}; }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t offset_ = 0;
};

}  // namespace zelmor::fuzz
