// What rendering every icon size costs next to decoding the picture it comes
// from. The PNGs are built here: noise over a gradient, every row Paeth
// filtered, the deflate stream either stored or coded with the fixed Huffman
// code as literals only. Stored data is the quickest a decoder can get through;
// literal coding is close to what an ordinary encoder makes of noisy pixels.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <random>
#include <utility>
#include <vector>

#include "platform/imaging.h"
#include "platform/picture_renderer.h"

namespace zelmor {
namespace {

constexpr int32_t kIconSizes[] = {256, 128, 96, 64, 48, 32, 24, 16};

std::vector<uint8_t> NoisyPixels(int32_t side) {
  std::mt19937 random(1);
  std::vector<uint8_t> rgba(static_cast<std::size_t>(side) * side * 4);
  for (int32_t y = 0; y < side; ++y) {
    for (int32_t x = 0; x < side; ++x) {
      uint8_t* p = &rgba[(static_cast<std::size_t>(y) * side + x) * 4];
      const uint32_t noise = static_cast<uint32_t>(random());
      p[0] = static_cast<uint8_t>(x * 255 / side + (noise & 31));
      p[1] = static_cast<uint8_t>(y * 255 / side + (noise >> 8 & 31));
      p[2] = static_cast<uint8_t>((x + y) * 127 / side + (noise >> 16 & 31));
      p[3] = static_cast<uint8_t>(224 + (noise >> 24 & 31));
    }
  }
  return rgba;
}

uint32_t Crc32(const uint8_t* data, std::size_t size) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) {
        c = (c & 1) != 0 ? 0xEDB88320 ^ (c >> 1) : c >> 1;
      }
      t[n] = c;
    }
    return t;
  }();
  uint32_t crc = 0xFFFFFFFF;
  for (std::size_t i = 0; i < size; ++i) {
    crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  }
  return ~crc;
}

void PutBig32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<uint8_t>(value >> shift));
  }
}

void PutChunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
  PutBig32(png, static_cast<uint32_t>(data.size()));
  const std::size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  PutBig32(png, Crc32(png.data() + start, png.size() - start));
}

uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a);
  const int pb = std::abs(p - b);
  const int pc = std::abs(p - c);
  return static_cast<uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Bits into a deflate stream, least significant first.
class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
  void Put(uint32_t bits, int count) {
    buffer_ |= static_cast<uint64_t>(bits) << filled_;
    filled_ += count;
    while (filled_ >= 8) {
      out_.push_back(static_cast<uint8_t>(buffer_));
      buffer_ >>= 8;
      filled_ -= 8;
    }
  }
  // Huffman codes go most significant bit first.
  void PutCode(uint32_t code, int length) {
    uint32_t reversed = 0;
    for (int i = 0; i < length; ++i) {
      reversed |= ((code >> i) & 1) << (length - 1 - i);
    }
    Put(reversed, length);
  }
  void Flush() {
    if (filled_ > 0) {
      Put(0, 8 - filled_);
    }
  }

 private:
  std::vector<uint8_t>& out_;
  uint64_t buffer_ = 0;
  int filled_ = 0;
};

std::vector<uint8_t> Zlib(const std::vector<uint8_t>& data, bool huffman) {
  std::vector<uint8_t> out = {0x78, 0x01};
  if (huffman) {
    BitWriter bits(out);
    bits.Put(1, 1);  // final block
    bits.Put(1, 2);  // fixed Huffman code
    for (const uint8_t byte : data) {
      if (byte < 144) {
        bits.PutCode(0x30 + byte, 8);
      } else {
        bits.PutCode(0x190 + byte - 144, 9);
      }
    }
    bits.PutCode(0, 7);  // end of block
    bits.Flush();
  } else {
    for (std::size_t at = 0; at < data.size(); at += 65535) {
      const std::size_t length = std::min<std::size_t>(65535, data.size() - at);
      out.push_back(at + length == data.size() ? 1 : 0);
      out.insert(out.end(), {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                             static_cast<uint8_t>(~length), static_cast<uint8_t>(~length >> 8)});
      out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                 data.begin() + static_cast<std::ptrdiff_t>(at + length));
    }
  }
  uint32_t a = 1;
  uint32_t b = 0;
  for (const uint8_t byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  PutBig32(out, b << 16 | a);
  return out;
}

std::vector<uint8_t> MakePng(int32_t side, bool huffman) {
  const std::vector<uint8_t> rgba = NoisyPixels(side);
  const std::size_t rowBytes = static_cast<std::size_t>(side) * 4;
  std::vector<uint8_t> filtered;
  filtered.reserve((rowBytes + 1) * side);
  for (int32_t y = 0; y < side; ++y) {
    filtered.push_back(4);  // Paeth
    const uint8_t* row = &rgba[y * rowBytes];
    const uint8_t* above = y > 0 ? row - rowBytes : nullptr;
    for (std::size_t i = 0; i < rowBytes; ++i) {
      const int a = i >= 4 ? row[i - 4] : 0;
      const int b = above != nullptr ? above[i] : 0;
      const int c = above != nullptr && i >= 4 ? above[i - 4] : 0;
      filtered.push_back(static_cast<uint8_t>(row[i] - Paeth(a, b, c)));
    }
  }
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBig32(header, static_cast<uint32_t>(side));
  PutBig32(header, static_cast<uint32_t>(side));
  header.insert(header.end(), {8, 6, 0, 0, 0});
  PutChunk(png, "IHDR", header);
  // In chunks of 1 MiB, as encoders write them: libpng warns about larger ones.
  const std::vector<uint8_t> stream = Zlib(filtered, huffman);
  for (std::size_t at = 0; at < stream.size(); at += std::size_t{1} << 20) {
    const std::size_t end = std::min(stream.size(), at + (std::size_t{1} << 20));
    PutChunk(png, "IDAT",
             std::vector<uint8_t>(stream.begin() + static_cast<std::ptrdiff_t>(at),
                                  stream.begin() + static_cast<std::ptrdiff_t>(end)));
  }
  PutChunk(png, "IEND", {});
  return png;
}

void DecodePng(benchmark::State& state, bool huffman) {
  const ImagingSession session;
  const std::vector<uint8_t> png = MakePng(static_cast<int32_t>(state.range(0)), huffman);
  for (auto _ : state) {
    std::optional<Bitmap> picture = DecodePngBytes(png.data(), png.size());
    if (!picture) {
      state.SkipWithError("the PNG did not decode");
      break;
    }
    benchmark::DoNotOptimize(picture->data());
  }
  state.counters["png_MiB"] = static_cast<double>(png.size()) / (1 << 20);
}

void BM_DecodeLiteralPng(benchmark::State& state) {
  DecodePng(state, true);
}
void BM_DecodeStoredPng(benchmark::State& state) {
  DecodePng(state, false);
}

Bitmap NoisyPicture(int32_t side) {
  const ImagingSession session;
  const std::vector<uint8_t> png = MakePng(side, false);
  return std::move(*DecodePngBytes(png.data(), png.size()));
}

// The renderer's whole job for one picture: the shared reduction, then all
// eight sizes.
void BM_RenderAllSizes(benchmark::State& state) {
  const Bitmap picture = NoisyPicture(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) {
    const PictureRenderer renderer(picture, 256);
    for (const int32_t size : kIconSizes) {
      Bitmap canvas = renderer.Render(size);
      benchmark::DoNotOptimize(canvas.data());
    }
  }
}

// The shared reduction alone.
void BM_PrepareRenderer(benchmark::State& state) {
  const Bitmap picture = NoisyPicture(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) {
    const PictureRenderer renderer(picture, 256);
    benchmark::ClobberMemory();
  }
}

// One size alone, its own reduction of the shared picture included: the
// renderer is made afresh, untimed, for every run, since it keeps reductions.
void BM_RenderOneSize(benchmark::State& state) {
  const Bitmap picture = NoisyPicture(static_cast<int32_t>(state.range(0)));
  const auto size = static_cast<int32_t>(state.range(1));
  for (auto _ : state) {
    state.PauseTiming();
    const PictureRenderer renderer(picture, 256);
    state.ResumeTiming();
    Bitmap canvas = renderer.Render(size);
    benchmark::DoNotOptimize(canvas.data());
  }
}

BENCHMARK(BM_DecodeLiteralPng)->Arg(1000)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeStoredPng)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrepareRenderer)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderAllSizes)->Arg(1000)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderOneSize)
    ->ArgsProduct({{1024}, {256, 128, 96, 16}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zelmor
