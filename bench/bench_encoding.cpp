// EncodeIconImage at every depth and at small, middle and largest icon sizes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "encoding/icon_image.h"

namespace {

// Smooth gradients with noise and a partly transparent border: palette lookups
// see many distinct colours, as in a scaled photograph.
std::vector<uint8_t> MakePicture(int32_t size) {
  std::vector<uint8_t> pixels(static_cast<size_t>(size) * size * 4);
  std::mt19937 random(1);
  for (int32_t y = 0; y < size; ++y) {
    for (int32_t x = 0; x < size; ++x) {
      uint8_t* p = &pixels[(static_cast<size_t>(y) * size + x) * 4];
      const uint32_t noise = random();
      p[0] = static_cast<uint8_t>(x * 255 / size + (noise & 15));
      p[1] = static_cast<uint8_t>(y * 255 / size + ((noise >> 4) & 15));
      p[2] = static_cast<uint8_t>((x + y) * 127 / size + ((noise >> 8) & 15));
      const bool border = x < size / 8 || y < size / 8;
      p[3] = border ? static_cast<uint8_t>(noise >> 24) : 255;
    }
  }
  return pixels;
}

void BM_EncodeIconImage(benchmark::State& state) {
  const auto size = static_cast<int32_t>(state.range(0));
  const auto bits = static_cast<int>(state.range(1));
  const std::vector<uint8_t> pixels = MakePicture(size);
  for (auto _ : state) {
    zelmor::IconImageData image = zelmor::EncodeIconImage(pixels.data(), size, 4 * size, bits);
    benchmark::DoNotOptimize(image.xorBitmap.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * size * size);
}

BENCHMARK(BM_EncodeIconImage)
    ->ArgNames({"size", "bits"})
    ->ArgsProduct({{16, 48, 256}, {4, 8, 24, 32}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
