#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace zelmor {

// True when the bytes start with the gzip signature.
bool HasGzipSignature(const uint8_t* data, std::size_t size);

// The content of a one-member gzip stream. Nothing when the stream is damaged
// or cut, has bytes after its end, or would inflate to more than `maxBytes`
// (checked while inflating, so a small bomb never takes more than that).
std::optional<std::vector<uint8_t>> InflateGzip(const uint8_t* data, std::size_t size,
                                                std::size_t maxBytes);

}  // namespace zelmor
