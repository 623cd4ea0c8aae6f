// What a PNG stream of each icon size costs: the pictures are built here, a
// gradient with grain and a soft round edge (as a resized picture looks) and
// flat shapes on a transparent ground (as icon artwork is drawn).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "platform/png_stream.h"

namespace zelmor {
namespace {

uint32_t Grain(int32_t x, int32_t y) {
  uint32_t h = static_cast<uint32_t>(x) * 0x9E3779B1u ^ static_cast<uint32_t>(y) * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  return (h ^ (h >> 13)) >> 29;
}

// side x side BGRA pixels, rows packed.
std::vector<uint8_t> Gradient(int32_t side) {
  std::vector<uint8_t> bgra(static_cast<std::size_t>(side) * side * 4);
  const int64_t r2 = int64_t{side / 2} * (side / 2);
  for (int32_t y = 0; y < side; ++y) {
    for (int32_t x = 0; x < side; ++x) {
      uint8_t* p = &bgra[(static_cast<std::size_t>(y) * side + x) * 4];
      const int64_t dx = x - side / 2, dy = y - side / 2;
      const int64_t d2 = dx * dx + dy * dy;
      p[0] = static_cast<uint8_t>((x + y) * 127 / side);
      p[1] = static_cast<uint8_t>(y * 255 / side + Grain(x, y));
      p[2] = static_cast<uint8_t>(x * 255 / side + Grain(x, y));
      p[3] = d2 < r2 * 8 / 10 ? 255 : d2 < r2 ? 128 : 0;
    }
  }
  return bgra;
}

std::vector<uint8_t> Artwork(int32_t side) {
  std::vector<uint8_t> bgra(static_cast<std::size_t>(side) * side * 4, 0);
  for (int32_t y = side / 16; y < side - side / 16; ++y) {
    for (int32_t x = side / 16; x < side - side / 16; ++x) {
      uint8_t* p = &bgra[(static_cast<std::size_t>(y) * side + x) * 4];
      const int32_t dx = x - side / 2, dy = y - side / 2;
      const bool disc = 4 * (dx * dx + dy * dy) < side * side / 4;
      p[0] = disc ? 0xFA : 0xDC;
      p[1] = disc ? 0xFA : 0x78;
      p[2] = disc ? 0xFA : 0x28;
      p[3] = 0xFF;
    }
  }
  return bgra;
}

template <std::vector<uint8_t> (*Make)(int32_t)>
void BM_EncodePngStream(benchmark::State& state) {
  const auto side = static_cast<int32_t>(state.range(0));
  const std::vector<uint8_t> pixels = Make(side);
  std::size_t size = 0;
  for (auto _ : state) {
    const std::vector<uint8_t> png = EncodePngStream(pixels.data(), side, side, side * 4);
    size = png.size();
    benchmark::DoNotOptimize(png.data());
  }
  state.counters["bytes"] = static_cast<double>(size);
}

BENCHMARK(BM_EncodePngStream<Gradient>)
    ->Name("EncodePngStream/gradient")
    ->Arg(16)
    ->Arg(24)
    ->Arg(32)
    ->Arg(48)
    ->Arg(64)
    ->Arg(96)
    ->Arg(128)
    ->Arg(256)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodePngStream<Artwork>)
    ->Name("EncodePngStream/artwork")
    ->Arg(16)
    ->Arg(32)
    ->Arg(64)
    ->Arg(128)
    ->Arg(256)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zelmor
