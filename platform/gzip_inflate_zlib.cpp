// gzip streams on top of zlib, inflated in slices so that the output never
// grows past the caller's bound.
#include <zlib.h>

#include <algorithm>
#include <climits>

#include "platform/gzip_inflate.h"

namespace zelmor {

bool HasGzipSignature(const uint8_t* data, std::size_t size) {
  return size >= 2 && data[0] == 0x1F && data[1] == 0x8B;
}

std::optional<std::vector<uint8_t>> InflateGzip(const uint8_t* data, std::size_t size,
                                                std::size_t maxBytes) {
  if (size > UINT_MAX) {
    return std::nullopt;
  }
  z_stream stream{};
  // 16 + 15: a gzip wrapper (not zlib's own) and the largest window.
  if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) {
    return std::nullopt;
  }
  stream.next_in = const_cast<Bytef*>(data);
  stream.avail_in = static_cast<uInt>(size);
  std::vector<uint8_t> out;
  constexpr std::size_t kSlice = std::size_t{1} << 16;
  int status = Z_OK;
  while (status == Z_OK) {
    if (out.size() >= maxBytes) {
      // Full: only the end of the stream may still come.
      uint8_t probe = 0;
      stream.next_out = &probe;
      stream.avail_out = 1;
      status = inflate(&stream, Z_NO_FLUSH);
      if (stream.avail_out == 0) {
        status = Z_BUF_ERROR;
      }
      break;
    }
    const std::size_t done = out.size();
    const std::size_t slice = std::min(kSlice, maxBytes - done);
    out.resize(done + slice);
    stream.next_out = out.data() + done;
    stream.avail_out = static_cast<uInt>(slice);
    status = inflate(&stream, Z_NO_FLUSH);
    out.resize(done + (slice - stream.avail_out));
    // With fresh room to write, no progress means the input ran out: cut short.
  }
  const bool complete = status == Z_STREAM_END && stream.avail_in == 0;
  inflateEnd(&stream);
  if (!complete) {
    return std::nullopt;
  }
  return out;
}

}  // namespace zelmor
