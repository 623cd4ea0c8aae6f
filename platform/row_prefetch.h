#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace zelmor {

// Produces a picture's rows on a second thread, a few chunks of rows ahead of
// the thread that takes them, so that decoding one chunk overlaps with
// consuming the one before. The rows, their order and so every result made
// of them are the same as when produced on the taking thread; only the timing
// differs.
class RowPrefetch {
 public:
  // `produce(rows, count)` fills `count` rows of `rowBytes` bytes each, one
  // after another in `rows`, continuing the picture from where the last call
  // stopped; it returns false when the picture's data proves damaged.
  // `height` rows are produced in all.
  using Producer = std::function<bool(uint8_t* rows, int32_t count)>;
  RowPrefetch(std::size_t rowBytes, int32_t height, Producer produce);
  // Stops the producer, waiting for the chunk it is on.
  ~RowPrefetch();
  RowPrefetch(const RowPrefetch&) = delete;
  RowPrefetch& operator=(const RowPrefetch&) = delete;

  // The next row, the taker's to read and change until the next call;
  // nullptr once the producer failed (at that row or before) or all rows
  // were taken.
  uint8_t* Next();

 private:
  void Run();

  struct Chunk {
    std::vector<uint8_t> bytes;
    int32_t rows = 0;    // filled
    bool ready = false;  // filled and not yet taken back
  };

  std::size_t rowBytes_;
  int32_t height_;
  int32_t rowsPerChunk_;
  Producer produce_;
  std::vector<Chunk> chunks_;
  std::mutex lock_;
  std::condition_variable changed_;
  bool failed_ = false;
  bool stopping_ = false;
  // Taker's position: chunk, row within it, rows taken in all.
  std::size_t takeChunk_ = 0;
  int32_t takeRow_ = 0;
  int32_t taken_ = 0;
  std::thread producer_;
};

}  // namespace zelmor
