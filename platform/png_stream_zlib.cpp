// PNG streams written with zlib directly. The container is only three chunks
// and a CRC that zlib provides; what decides the size is the row filtering and
// the deflate settings, and the smallest stream comes from ranking several
// filter choices with quick passes before the one thorough pass. libpng and
// libspng take one filter policy and one zlib configuration per encode, so
// every ranking pass would be a whole encode through them.
//
// The bytes depend on zlib's deflate code as well as on the pixels: the same
// zlib release (Debian's 1.2.13 here) gives the same stream on every machine.
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

#include "platform/bitmap.h"
#include "platform/png_row_filter.h"
#include "platform/png_stream.h"

namespace zelmor {
namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t kIhdrChunkBytes = 12 + 13;
// Signature, IHDR chunk, then the IDAT chunk's length and type.
constexpr std::size_t kPrefixBytes = sizeof(kSignature) + kIhdrChunkBytes + 8;

// Deflate settings of a pass over the rows. Fixed values, never derived from
// the machine or the clock: they and the pixels alone decide the bytes.
struct DeflateConfig {
  int level;
  int goodLength;
  int maxLazy;
  int niceLength;
  int maxChain;
};

// The quick pass that ranks the filtered choices: zlib's level 1 matcher. On
// gradients, photographs, flat artwork and screenshots it ranks them as the
// final settings do, at a fifth of the cost. Unfiltered rows are ranked with
// the final settings instead: they gain far more than filtered ones from its
// long matches, and the quick pass would rank them too low on flat artwork.
constexpr DeflateConfig kRankingConfig = {1, 4, 4, 8, 4};
// The pass whose output is kept: level 9's lazy matching with a chain of 256
// instead of 4096, which costs five times as much on gradients with grain for
// 6% less. Above level 7, which ImageMagick uses, in every parameter.
constexpr DeflateConfig kFinalConfig = {9, 16, 128, 258, 256};

// zlib's window and hash table, and the memory they take, sized to the
// filtered rows: a window larger than the data finds nothing more, and the
// allocations of the largest sizes would cost a 16 x 16 entry more time than
// deflating it. Over 16 KiB of rows: the largest window and hash table.
struct StreamSizes {
  int windowBits;
  int memLevel;
};

StreamSizes SizesFor(uint64_t filteredBytes) {
  int bits = 9;  // the smallest window zlib writes
  while (bits < 15 && (uint64_t{1} << bits) < filteredBytes) {
    ++bits;
  }
  return {bits, bits - 6};
}

// The filter choices tried, in order of preference on equal sizes.
constexpr PngRowFilter kFilterChoices[] = {PngRowFilter::kAdaptive, PngRowFilter::kPaeth,
                                           PngRowFilter::kUp,       PngRowFilter::kSub,
                                           PngRowFilter::kAverage,  PngRowFilter::kNone};

// Ranking reads bands of kSampleBand rows, one band in every kSampleEvery
// rows; pictures of at most kSampleEvery * 2 rows are read whole.
constexpr std::size_t kSampleBand = 8;
constexpr std::size_t kSampleEvery = 32;

void PutBig32(uint8_t* out, uint32_t value) {
  out[0] = static_cast<uint8_t>(value >> 24);
  out[1] = static_cast<uint8_t>(value >> 16);
  out[2] = static_cast<uint8_t>(value >> 8);
  out[3] = static_cast<uint8_t>(value);
}

uint32_t ChunkCrc(const uint8_t* typeAndData, std::size_t size) {
  return static_cast<uint32_t>(crc32_z(0, typeAndData, size));
}

class Deflater {
 public:
  Deflater(const DeflateConfig& config, int strategy, StreamSizes sizes) {
    std::memset(&stream_, 0, sizeof stream_);
    const int status = deflateInit2(&stream_, config.level, Z_DEFLATED, sizes.windowBits,
                                    sizes.memLevel, strategy);
    if (status == Z_MEM_ERROR) {
      throw std::bad_alloc();
    }
    if (status != Z_OK || deflateTune(&stream_, config.goodLength, config.maxLazy,
                                      config.niceLength, config.maxChain) != Z_OK) {
      throw std::runtime_error("EncodePngStream: zlib refused its configuration");
    }
  }
  ~Deflater() { deflateEnd(&stream_); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // Appends the deflated `input` to out (from out[used] on, growing out as
  // needed); `finish` ends the stream. Returns the new used size.
  std::size_t Run(const uint8_t* input, std::size_t size, bool finish, std::vector<uint8_t>& out,
                  std::size_t used) {
    stream_.next_in = const_cast<Bytef*>(input);
    stream_.avail_in = static_cast<uInt>(size);
    for (;;) {
      if (used >= out.size()) {
        out.resize(std::max<std::size_t>(out.size() * 2, used + 4096));
      }
      const std::size_t room = std::min<std::size_t>(out.size() - used, UINT_MAX);
      stream_.next_out = out.data() + used;
      stream_.avail_out = static_cast<uInt>(room);
      const int status = deflate(&stream_, finish ? Z_FINISH : Z_NO_FLUSH);
      used += room - stream_.avail_out;
      if (status == Z_STREAM_END) {
        return used;
      }
      if (status != Z_OK && status != Z_BUF_ERROR) {
        throw std::runtime_error("EncodePngStream: deflate failed");
      }
      if (!finish && stream_.avail_in == 0 && stream_.avail_out != 0) {
        return used;
      }
    }
  }

 private:
  z_stream stream_;
};

struct Picture {
  const uint8_t* pixels;
  std::size_t width;
  std::size_t height;
  std::size_t stride;
};

void BgraRowToRgba(const uint8_t* bgra, std::size_t width, uint8_t* rgba) {
  for (std::size_t x = 0; x < width; ++x) {
    rgba[4 * x + 0] = bgra[4 * x + 2];
    rgba[4 * x + 1] = bgra[4 * x + 1];
    rgba[4 * x + 2] = bgra[4 * x + 0];
    rgba[4 * x + 3] = bgra[4 * x + 3];
  }
}

// Deflates the rows `filter` makes of the picture (every row, or only the
// sampled ones) into out after kPrefixBytes. Returns the end of the deflate
// stream, or 0 once the output passes `limit` bytes of deflate data, as it
// then cannot win.
std::size_t RunPass(const Picture& picture, PngRowFilter filter, const DeflateConfig& config,
                    bool sampled, std::size_t limit, std::vector<uint8_t>& out) {
  const std::size_t rowBytes = picture.width * 4;
  std::vector<uint8_t> rows(2 * rowBytes, 0);
  uint8_t* above = rows.data();
  uint8_t* current = rows.data() + rowBytes;
  PngRowFilterer filterer(rowBytes);
  // Deflate's filtered strategy favours the small residues of filtered rows
  // over short matches; unfiltered rows want matches.
  Deflater deflater(config, filter == PngRowFilter::kNone ? Z_DEFAULT_STRATEGY : Z_FILTERED,
                    SizesFor(uint64_t{rowBytes + 1} * picture.height));
  const bool whole = !sampled || picture.height <= 2 * kSampleEvery;
  std::size_t used = kPrefixBytes;
  for (std::size_t y = 0; y < picture.height; ++y) {
    const bool last = y + 1 == picture.height;
    const bool read = whole || y % kSampleEvery < kSampleBand || last;
    // A row left out of the sample is still converted: the next row is
    // filtered against it.
    BgraRowToRgba(picture.pixels + y * picture.stride, picture.width, current);
    if (read) {
      const uint8_t* filtered = filterer.Filter(filter, current, above);
      used = deflater.Run(filtered, rowBytes + 1, last, out, used);
      if (used - kPrefixBytes > limit) {
        return 0;
      }
    }
    std::swap(above, current);
  }
  return used;
}

}  // namespace

std::vector<uint8_t> EncodePngStream(const uint8_t* pixels, int32_t width, int32_t height,
                                     int32_t stride) {
  if (pixels == nullptr || width <= 0 || height <= 0) {
    throw std::invalid_argument("EncodePngStream: no pixels or a non-positive side");
  }
  const uint64_t rowBytes = uint64_t{4} * static_cast<uint64_t>(width);
  if (stride < 0 || static_cast<uint64_t>(stride) < rowBytes) {
    throw std::invalid_argument("EncodePngStream: stride shorter than a row");
  }
  if (rowBytes * static_cast<uint64_t>(height) > kMaxBitmapBytes) {
    throw std::bad_alloc();
  }
  const Picture picture{pixels, static_cast<std::size_t>(width), static_cast<std::size_t>(height),
                        static_cast<std::size_t>(stride)};

  // Rank the filter choices on a sample of rows, then deflate the whole
  // picture once, with the winner.
  std::vector<uint8_t> scratch;
  PngRowFilter chosen = kFilterChoices[0];
  std::size_t chosenSize = SIZE_MAX;
  for (const PngRowFilter filter : kFilterChoices) {
    const DeflateConfig& config = filter == PngRowFilter::kNone ? kFinalConfig : kRankingConfig;
    const std::size_t end = RunPass(picture, filter, config, true, chosenSize, scratch);
    if (end != 0 && end - kPrefixBytes < chosenSize) {
      chosen = filter;
      chosenSize = end - kPrefixBytes;
    }
  }
  std::vector<uint8_t> best;
  const std::size_t bestEnd = RunPass(picture, chosen, kFinalConfig, false, SIZE_MAX, best);

  // The pass wrote its deflate data after room for the signature, IHDR
  // and the IDAT header; fill those in and close with the CRC and IEND.
  best.resize(bestEnd + 4 + 12);
  uint8_t* p = best.data();
  std::memcpy(p, kSignature, sizeof kSignature);
  uint8_t* const ihdr = p + sizeof kSignature;
  PutBig32(ihdr, 13);
  std::memcpy(ihdr + 4, "IHDR", 4);
  PutBig32(ihdr + 8, static_cast<uint32_t>(width));
  PutBig32(ihdr + 12, static_cast<uint32_t>(height));
  ihdr[16] = 8;  // bits per channel
  ihdr[17] = 6;  // colour type: RGBA
  ihdr[18] = 0;  // deflate
  ihdr[19] = 0;  // filtering method 0, per row
  ihdr[20] = 0;  // not interlaced
  PutBig32(ihdr + 21, ChunkCrc(ihdr + 4, 4 + 13));
  uint8_t* const idat = ihdr + kIhdrChunkBytes;
  const std::size_t idatBytes = bestEnd - kPrefixBytes;
  // A picture under kMaxBitmapBytes deflates to well under 2^31 bytes, so one
  // IDAT chunk always holds it.
  PutBig32(idat, static_cast<uint32_t>(idatBytes));
  std::memcpy(idat + 4, "IDAT", 4);
  PutBig32(p + bestEnd, ChunkCrc(idat + 4, 4 + idatBytes));
  uint8_t* const iend = p + bestEnd + 4;
  PutBig32(iend, 0);
  std::memcpy(iend + 4, "IEND", 4);
  PutBig32(iend + 8, ChunkCrc(iend + 4, 4));
  return best;
}

}  // namespace zelmor
