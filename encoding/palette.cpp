#include "encoding/palette.h"

#include <array>
#include <bit>
#include <climits>
#include <stdexcept>

namespace zelmor {
namespace {

struct Rgb {
  uint8_t red;
  uint8_t green;
  uint8_t blue;
};

// The classic 16 VGA colours, in the order 4-bit images index them.
constexpr std::array<Rgb, 16> kFixed16 = {{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {192, 192, 192},
    {128, 128, 128},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};

constexpr uint8_t Level3ToByte(int level) {
  return static_cast<uint8_t>((level << 5) | (level << 2) | (level >> 1));
}
constexpr uint8_t Level2ToByte(int level) {
  return static_cast<uint8_t>(level * 85);
}

// For each channel value, the nearest of `levels` levels, the lowest level
// among equals. The 3-3-2 palette holds every combination of a red, a green
// and a blue level, and the squared distance is a sum of one term per channel,
// so the nearest entry is made of the nearest level of each channel. Among
// several nearest entries the lowest index is the one with the lowest level in
// every channel, since the index grows with each level (red, green, blue bits
// from high to low). Hence per-channel tables give exactly the exhaustive
// search's answer.
template <int kLevels>
constexpr std::array<uint8_t, 256> NearestLevelTable() {
  std::array<uint8_t, 256> table{};
  for (int value = 0; value < 256; ++value) {
    int best = INT_MAX;
    for (int level = 0; level < kLevels; ++level) {
      const int byte = kLevels == 8 ? Level3ToByte(level) : Level2ToByte(level);
      const int distance = (value - byte) * (value - byte);
      if (distance < best) {
        best = distance;
        table[value] = static_cast<uint8_t>(level);
      }
    }
  }
  return table;
}

constexpr std::array<uint8_t, 256> kNearestLevel3 = NearestLevelTable<8>();
constexpr std::array<uint8_t, 256> kNearestLevel2 = NearestLevelTable<4>();

// The 16-colour palette is no such product, so its answers come from a coarse
// grid instead: the colour cube is cut into 8 x 8 x 8 cells of 32 values per
// side, and each cell keeps a 16-bit set of the entries that can be nearest (or
// tied for nearest) anywhere inside it. An entry whose smallest distance to the
// cell exceeds the smallest largest-distance of any entry to that cell is
// farther than that entry from every point of the cell, so leaving it out never
// changes an answer; searching the remaining entries in index order with the
// same strict comparison then returns exactly the exhaustive search's index.
// The table is 1 KiB, built at compile time, and leaves 2.6 candidates per
// cell on average (a full colour table would need 16 MiB).
constexpr int kCellShift = 5;
constexpr int kCellsPerSide = 256 >> kCellShift;
constexpr int kCellWidth = 1 << kCellShift;

constexpr int SquaredGapToRange(int value, int low, int high) {
  const int gap = value < low ? low - value : (value > high ? value - high : 0);
  return gap * gap;
}

constexpr int SquaredFarthestInRange(int value, int low, int high) {
  const int a = value - low;
  const int b = high - value;
  return a * a > b * b ? a * a : b * b;
}

constexpr std::array<uint16_t, kCellsPerSide * kCellsPerSide * kCellsPerSide>
Fixed16CandidateTable() {
  std::array<uint16_t, kCellsPerSide * kCellsPerSide * kCellsPerSide> table{};
  for (int cell = 0; cell < static_cast<int>(table.size()); ++cell) {
    const int lows[3] = {(cell / (kCellsPerSide * kCellsPerSide)) * kCellWidth,
                         ((cell / kCellsPerSide) % kCellsPerSide) * kCellWidth,
                         (cell % kCellsPerSide) * kCellWidth};
    int nearest[16] = {};
    int farthest[16] = {};
    int bound = INT_MAX;
    for (int i = 0; i < 16; ++i) {
      const int entry[3] = {kFixed16[i].red, kFixed16[i].green, kFixed16[i].blue};
      for (int channel = 0; channel < 3; ++channel) {
        const int low = lows[channel];
        const int high = low + kCellWidth - 1;
        nearest[i] += SquaredGapToRange(entry[channel], low, high);
        farthest[i] += SquaredFarthestInRange(entry[channel], low, high);
      }
      if (farthest[i] < bound) bound = farthest[i];
    }
    for (int i = 0; i < 16; ++i) {
      if (nearest[i] <= bound) table[cell] |= static_cast<uint16_t>(1u << i);
    }
  }
  return table;
}

constexpr auto kFixed16Candidates = Fixed16CandidateTable();

}  // namespace

std::vector<RGBQUAD> MakeFixed16Palette() {
  std::vector<RGBQUAD> palette;
  palette.reserve(kFixed16.size());
  for (const Rgb& c : kFixed16) palette.push_back(RGBQUAD{c.blue, c.green, c.red, 0});
  return palette;
}

std::vector<RGBQUAD> MakeRgb332Palette() {
  std::vector<RGBQUAD> palette(256);
  for (int i = 0; i < 256; ++i) {
    palette[i] = RGBQUAD{Level2ToByte(i & 3), Level3ToByte((i >> 2) & 7), Level3ToByte(i >> 5), 0};
  }
  return palette;
}

int NearestPaletteIndex(std::span<const RGBQUAD> palette, int red, int green, int blue) {
  // Out-of-range components could overflow the distance sum.
  if (red < 0 || red > 255 || green < 0 || green > 255 || blue < 0 || blue > 255) {
    throw std::invalid_argument("NearestPaletteIndex: colour component outside 0..255");
  }
  int bestDistance = INT_MAX;
  int bestIndex = 0;
  for (size_t i = 0; i < palette.size(); ++i) {
    const int dr = red - palette[i].rgbRed;
    const int dg = green - palette[i].rgbGreen;
    const int db = blue - palette[i].rgbBlue;
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      bestIndex = static_cast<int>(i);
    }
  }
  return bestIndex;
}

uint8_t NearestFixed16Index(uint8_t red, uint8_t green, uint8_t blue) {
  const int cell = ((red >> kCellShift) * kCellsPerSide + (green >> kCellShift)) * kCellsPerSide +
                   (blue >> kCellShift);
  unsigned candidates = kFixed16Candidates[cell];
  if (std::has_single_bit(candidates)) return static_cast<uint8_t>(std::countr_zero(candidates));
  int bestDistance = INT_MAX;
  int bestIndex = 0;
  while (candidates != 0) {
    const int i = std::countr_zero(candidates);
    candidates &= candidates - 1;
    const int dr = red - kFixed16[i].red;
    const int dg = green - kFixed16[i].green;
    const int db = blue - kFixed16[i].blue;
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      bestIndex = i;
    }
  }
  return static_cast<uint8_t>(bestIndex);
}

uint8_t NearestRgb332Index(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<uint8_t>((kNearestLevel3[red] << 5) | (kNearestLevel3[green] << 2) |
                              kNearestLevel2[blue]);
}

}  // namespace zelmor
