// PNG rows by libspng rather than libpng: it decodes progressively, one row a
// call, from a buffer, with explicit limits on image and chunk sizes, and its
// RGBA conversions cover every colour type and depth with tRNS in one flag.
#include <spng.h>

#include <cstring>
#include <vector>

#include "platform/decoded_picture.h"
#include "platform/png_rows.h"

namespace zelmor {
namespace {

// No ancillary chunk a picture needs comes near this; the cache bounds all of
// them together (text, profiles) so that a file cannot make us hold more.
constexpr std::size_t kChunkLimit = std::size_t{64} << 20;
constexpr std::size_t kChunkCacheLimit = std::size_t{256} << 20;

struct ContextDeleter {
  void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};

int ReadThrough(spng_ctx*, void* user, void* out, std::size_t count) {
  const auto& read = *static_cast<const PngRowReader::ReadBytes*>(user);
  return read(static_cast<uint8_t*>(out), count) ? 0 : SPNG_IO_EOF;
}

}  // namespace

struct PngRowReader::Impl {
  ReadBytes read;  // kept here: libspng holds a pointer to it
  std::unique_ptr<spng_ctx, ContextDeleter> context;
  bool deep = false;             // 16-bit samples
  std::vector<uint16_t> wide;    // a row of them, as libspng gives it
  bool ended = false;            // libspng has given its last row
};

PngRowReader::PngRowReader(std::unique_ptr<Impl> impl, int32_t width, int32_t height)
    : impl_(std::move(impl)), width_(width), height_(height) {}

PngRowReader::~PngRowReader() = default;

std::unique_ptr<PngRowReader> PngRowReader::Open(std::span<const uint8_t> file) {
  return Open([file, at = std::size_t{0}](uint8_t* out, std::size_t count) mutable {
    if (count > file.size() - at) {
      return false;
    }
    std::memcpy(out, file.data() + at, count);
    at += count;
    return true;
  });
}

namespace {

// The header of the PNG `context` reads, when it is one to read row by row.
std::optional<spng_ihdr> StreamableHeader(spng_ctx* context) {
  if (spng_set_image_limits(context, kMaxStreamedSide, kMaxStreamedSide) != 0 ||
      spng_set_chunk_limits(context, kChunkLimit, kChunkCacheLimit) != 0) {
    return std::nullopt;
  }
  spng_ihdr header{};
  if (spng_get_ihdr(context, &header) != 0 || header.interlace_method != SPNG_INTERLACE_NONE) {
    return std::nullopt;
  }
  return header;
}

}  // namespace

std::optional<PngRowReader::Sides> PngRowReader::ReadSides(std::span<const uint8_t> head) {
  const std::unique_ptr<spng_ctx, ContextDeleter> context(spng_ctx_new(0));
  if (context == nullptr || spng_set_png_buffer(context.get(), head.data(), head.size()) != 0) {
    return std::nullopt;
  }
  const std::optional<spng_ihdr> header = StreamableHeader(context.get());
  if (!header) {
    return std::nullopt;
  }
  return Sides{static_cast<int32_t>(header->width), static_cast<int32_t>(header->height)};
}

std::unique_ptr<PngRowReader> PngRowReader::Open(ReadBytes read) {
  auto impl = std::make_unique<Impl>();
  impl->read = std::move(read);
  impl->context.reset(spng_ctx_new(0));
  spng_ctx* context = impl->context.get();
  if (context == nullptr || spng_set_png_stream(context, ReadThrough, &impl->read) != 0) {
    return nullptr;
  }
  const std::optional<spng_ihdr> found = StreamableHeader(context);
  if (!found) {
    return nullptr;
  }
  const spng_ihdr& header = *found;
  impl->deep = header.bit_depth == 16;
  const int format = impl->deep ? SPNG_FMT_RGBA16 : SPNG_FMT_RGBA8;
  if (spng_decode_image(context, nullptr, 0, format, SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE) !=
      0) {
    return nullptr;
  }
  const auto pixels = static_cast<std::size_t>(header.width);
  if (impl->deep) {
    impl->wide.resize(pixels * 4);
  }
  return std::unique_ptr<PngRowReader>(new PngRowReader(
      std::move(impl), static_cast<int32_t>(header.width), static_cast<int32_t>(header.height)));
}

bool PngRowReader::ReadRow(uint8_t* out) {
  if (!ReadRgbaRow(out)) {
    return false;
  }
  SwapRedAndBlue(out, static_cast<std::size_t>(width_));
  return true;
}

bool PngRowReader::ReadRgbaRow(uint8_t* out) {
  Impl& d = *impl_;
  if (d.ended) {
    return false;
  }
  const auto pixels = static_cast<std::size_t>(width_);
  // 8-bit rows go straight to `out`; 16-bit ones through a row of their own.
  const int status = d.deep ? spng_decode_row(d.context.get(), d.wide.data(), d.wide.size() * 2)
                            : spng_decode_row(d.context.get(), out, pixels * 4);
  // The last row comes back with SPNG_EOI rather than 0. The chunks after it
  // are read too: the image data's checksums close it, and a picture whose
  // data is damaged there is as damaged as anywhere.
  if (status == SPNG_EOI) {
    d.ended = true;
    if (spng_decode_chunks(d.context.get()) != 0) {
      return false;
    }
  } else if (status != 0) {
    d.ended = true;
    return false;
  }
  if (d.deep) {
    for (std::size_t i = 0; i < pixels * 4; ++i) {
      out[i] = RoundSampleToEightBits(d.wide[i], 16);
    }
  }
  return true;
}

void SwapRedAndBlue(uint8_t* pixels, std::size_t count) {
  // Whole words, which the compiler turns into vector shuffles.
  for (std::size_t i = 0; i < count; ++i) {
    uint32_t word;
    std::memcpy(&word, pixels + 4 * i, 4);
    word = (word & 0xFF00FF00u) | (word >> 16 & 0xFFu) | (word & 0xFFu) << 16;
    std::memcpy(pixels + 4 * i, &word, 4);
  }
}

}  // namespace zelmor
