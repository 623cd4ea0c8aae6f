#include "platform/row_prefetch.h"

#include <algorithm>

namespace zelmor {
namespace {

// A chunk of about this many bytes takes the hand-over's cost (a lock and a
// wake-up) well below the work on its rows, and four of them stay in cache.
constexpr std::size_t kChunkBytes = std::size_t{128} << 10;
constexpr std::size_t kChunks = 4;

}  // namespace

RowPrefetch::RowPrefetch(std::size_t rowBytes, int32_t height, Producer produce)
    : rowBytes_(rowBytes),
      height_(height),
      rowsPerChunk_(static_cast<int32_t>(
          std::clamp<std::size_t>(kChunkBytes / std::max<std::size_t>(rowBytes, 1), 1,
                                  static_cast<std::size_t>(std::max(height, 1))))),
      produce_(std::move(produce)),
      chunks_(kChunks) {
  for (Chunk& chunk : chunks_) {
    chunk.bytes.resize(rowBytes_ * static_cast<std::size_t>(rowsPerChunk_));
  }
  producer_ = std::thread([this] { Run(); });
}

RowPrefetch::~RowPrefetch() {
  {
    const std::lock_guard<std::mutex> guard(lock_);
    stopping_ = true;
  }
  changed_.notify_all();
  producer_.join();
}

void RowPrefetch::Run() {
  int32_t produced = 0;
  for (std::size_t c = 0; produced < height_; c = (c + 1) % chunks_.size()) {
    Chunk& chunk = chunks_[c];
    {
      std::unique_lock<std::mutex> guard(lock_);
      changed_.wait(guard, [&] { return stopping_ || !chunk.ready; });
      if (stopping_) {
        return;
      }
    }
    // The chunk is the producer's alone until it is marked ready.
    const int32_t count = std::min(rowsPerChunk_, height_ - produced);
    const bool ok = produce_(chunk.bytes.data(), count);
    {
      const std::lock_guard<std::mutex> guard(lock_);
      if (!ok) {
        failed_ = true;
      } else {
        chunk.rows = count;
        chunk.ready = true;
      }
    }
    changed_.notify_all();
    if (!ok) {
      return;
    }
    produced += count;
  }
}

uint8_t* RowPrefetch::Next() {
  if (taken_ >= height_) {
    return nullptr;
  }
  std::unique_lock<std::mutex> guard(lock_);
  Chunk* chunk = &chunks_[takeChunk_];
  if (takeRow_ == chunk->rows && chunk->ready) {
    // The taker is done with the previous chunk, the last row handed out
    // from it included: a row need stay valid only until the next call.
    chunk->ready = false;
    chunk->rows = 0;
    takeRow_ = 0;
    takeChunk_ = (takeChunk_ + 1) % chunks_.size();
    chunk = &chunks_[takeChunk_];
    changed_.notify_all();
  }
  changed_.wait(guard, [&] { return chunk->ready || failed_; });
  if (!chunk->ready) {
    return nullptr;
  }
  uint8_t* row = chunk->bytes.data() + rowBytes_ * static_cast<std::size_t>(takeRow_);
  ++takeRow_;
  ++taken_;
  return row;
}

}  // namespace zelmor
