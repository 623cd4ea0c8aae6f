#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zelmor {

// The bytes of a zlib stream, inflated. Nothing for a damaged or cut stream,
// or one that inflates to more than `limit` bytes.
std::optional<std::vector<uint8_t>> InflateZlib(std::span<const uint8_t> stream, std::size_t limit);

}  // namespace zelmor

namespace zelmor {

// The CRC-32 of zlib, which PNG chunks carry.
uint32_t Crc32(std::span<const uint8_t> bytes);

}  // namespace zelmor
