#include "platform/zlib_inflate.h"

#include <zlib.h>

#include <algorithm>

namespace zelmor {

std::optional<std::vector<uint8_t>> InflateZlib(std::span<const uint8_t> stream,
                                                std::size_t limit) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) {
    return std::nullopt;
  }
  std::vector<uint8_t> out;
  uint8_t chunk[16384];
  std::size_t left = stream.size();
  const uint8_t* next = stream.data();
  int status = Z_OK;
  while (status == Z_OK) {
    // zlib counts in 32 bits; feed a long stream in pieces.
    if (z.avail_in == 0 && left > 0) {
      const std::size_t piece = std::min<std::size_t>(left, 1u << 30);
      z.next_in = const_cast<Bytef*>(next);
      z.avail_in = static_cast<uInt>(piece);
      next += piece;
      left -= piece;
    }
    z.next_out = chunk;
    z.avail_out = sizeof chunk;
    status = inflate(&z, Z_NO_FLUSH);
    const std::size_t produced = sizeof chunk - z.avail_out;
    if (out.size() + produced > limit) {
      status = Z_MEM_ERROR;
      break;
    }
    out.insert(out.end(), chunk, chunk + produced);
    if (status == Z_BUF_ERROR && (z.avail_in > 0 || left > 0)) {
      status = Z_OK;  // room was short, not input
    }
  }
  inflateEnd(&z);
  if (status != Z_STREAM_END) {
    return std::nullopt;
  }
  return out;
}

}  // namespace zelmor

namespace zelmor {

uint32_t Crc32(std::span<const uint8_t> bytes) {
  uLong crc = crc32(0, Z_NULL, 0);
  const uint8_t* next = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const std::size_t piece = std::min<std::size_t>(left, 1u << 30);
    crc = crc32(crc, next, static_cast<uInt>(piece));
    next += piece;
    left -= piece;
  }
  return static_cast<uint32_t>(crc);
}

}  // namespace zelmor
