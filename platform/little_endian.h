#pragma once

#include <cstdint>

namespace zelmor {

// Field readers for little-endian bytes on disk. The caller has already
// checked that the bytes lie inside its buffer.
inline uint16_t ReadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t ReadU32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

inline int32_t ReadS32(const uint8_t* p) {
  return static_cast<int32_t>(ReadU32(p));
}

}  // namespace zelmor
