#include "encoding/palette.h"

#include <algorithm>
#include <array>
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

// The 16-colour palette is no such product, so its answers come from a grid:
// the colour cube is cut into 8 x 8 x 8 cells of 32 values per side, and each
// cell lists the few entries that can win somewhere inside it. Entries are
// ranked by the key distance x 16 + index, which orders them exactly as the
// exhaustive search prefers them (nearer first, lower index among equals). An
// entry is left out of a cell only when another entry ranks before it at every
// point of the cell, so the winner at any point is never left out and the
// smallest key over the cell's list is always the exhaustive search's answer.
// After pruning, 466 of the 512 cells keep one or two entries and 45 keep
// three or four; the cell from 64 to 95 in every channel, where black meets
// the seven colours made of 0 and 128, keeps eight and is searched in full.
// A pixel thus mostly costs two distance computations instead of sixteen. The
// table takes 2 KiB and about 0.2 ms to build on first use; a table of every
// colour's answer would take 16 MiB, and halving the cell width buys no
// speed for eight times the table and its building.
constexpr int kCellShift = 5;
constexpr int kCellsPerSide = 256 >> kCellShift;
constexpr int kCellWidth = 1 << kCellShift;
constexpr int kCellCount = kCellsPerSide * kCellsPerSide * kCellsPerSide;

// A cell: four entry indices of 4 bits each (unused ones repeat a kept entry,
// which changes no minimum), and above them how many of the four to try.
constexpr uint32_t kTryTwo = 0;
constexpr uint32_t kTryFour = 1;
constexpr uint32_t kTryAll = 2;
using Fixed16Cells = std::array<uint32_t, kCellCount>;

int Fixed16Key(int red, int green, int blue, int i) {
  const int dr = red - kFixed16[i].red;
  const int dg = green - kFixed16[i].green;
  const int db = blue - kFixed16[i].blue;
  return (dr * dr + dg * dg + db * db) * 16 + i;
}

struct CellRange {
  int low[3];
  int high[3];
};

int SquaredGapToRange(int value, int low, int high) {
  const int gap = value < low ? low - value : (value > high ? value - high : 0);
  return gap * gap;
}

int SquaredFarthestInRange(int value, int low, int high) {
  return std::max((value - low) * (value - low), (high - value) * (high - value));
}

// Whether entry `k` has a smaller key than entry `j` at every point of the
// cell. The key difference is a sum of one linear term per channel (the
// squares cancel), so its largest value over the cell is the sum of each
// term's larger value at the two ends of the channel's range.
bool RanksBeforeEverywhere(int k, int j, const CellRange& range) {
  const int ks[3] = {kFixed16[k].red, kFixed16[k].green, kFixed16[k].blue};
  const int js[3] = {kFixed16[j].red, kFixed16[j].green, kFixed16[j].blue};
  int largest = k - j;
  for (int c = 0; c < 3; ++c) {
    int worst = INT_MIN;
    for (const int p : {range.low[c], range.high[c]}) {
      worst = std::max(worst, 16 * ((p - ks[c]) * (p - ks[c]) - (p - js[c]) * (p - js[c])));
    }
    largest += worst;
  }
  return largest < 0;
}

uint32_t BuildFixed16Cell(const CellRange& range) {
  // A quick first cut: an entry whose nearest point in the cell is farther
  // than some other entry's farthest point is beaten everywhere.
  int nearest[16];
  int bound = INT_MAX;
  for (int i = 0; i < 16; ++i) {
    const int entry[3] = {kFixed16[i].red, kFixed16[i].green, kFixed16[i].blue};
    int near = 0;
    int far = 0;
    for (int c = 0; c < 3; ++c) {
      near += SquaredGapToRange(entry[c], range.low[c], range.high[c]);
      far += SquaredFarthestInRange(entry[c], range.low[c], range.high[c]);
    }
    nearest[i] = near;
    bound = std::min(bound, far);
  }
  int survivors[16];
  int survivorCount = 0;
  for (int i = 0; i < 16; ++i) {
    if (nearest[i] <= bound) survivors[survivorCount++] = i;
  }
  // Then pairwise: drop an entry that one other survivor outranks everywhere.
  int kept[16];
  int keptCount = 0;
  for (int a = 0; a < survivorCount; ++a) {
    bool outranked = false;
    for (int b = 0; b < survivorCount && !outranked; ++b) {
      outranked = b != a && RanksBeforeEverywhere(survivors[b], survivors[a], range);
    }
    if (!outranked) kept[keptCount++] = survivors[a];
  }
  if (keptCount > 4) return kTryAll << 16;
  uint32_t cell = keptCount <= 2 ? kTryTwo << 16 : kTryFour << 16;
  for (int slot = 0; slot < 4; ++slot) {
    cell |= static_cast<uint32_t>(kept[std::min(slot, keptCount - 1)]) << (4 * slot);
  }
  return cell;
}

// Kept out of line so that the lookup stays a small leaf function.
[[gnu::noinline]] Fixed16Cells BuildFixed16Cells() {
  Fixed16Cells cells{};
  for (int index = 0; index < kCellCount; ++index) {
    CellRange range;
    range.low[0] = (index / (kCellsPerSide * kCellsPerSide)) * kCellWidth;
    range.low[1] = ((index / kCellsPerSide) % kCellsPerSide) * kCellWidth;
    range.low[2] = (index % kCellsPerSide) * kCellWidth;
    for (int c = 0; c < 3; ++c) range.high[c] = range.low[c] + kCellWidth - 1;
    cells[index] = BuildFixed16Cell(range);
  }
  return cells;
}

[[gnu::noinline]] uint8_t FullFixed16Search(int red, int green, int blue) {
  int best = INT_MAX;
  for (int i = 0; i < 16; ++i) best = std::min(best, Fixed16Key(red, green, blue, i));
  return static_cast<uint8_t>(best & 15);
}

const Fixed16Cells& Fixed16CellTable() {
  static const Fixed16Cells cells = BuildFixed16Cells();
  return cells;
}

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
  const int index = ((red >> kCellShift) * kCellsPerSide + (green >> kCellShift)) * kCellsPerSide +
                    (blue >> kCellShift);
  const uint32_t cell = Fixed16CellTable()[index];
  const uint32_t tier = cell >> 16;
  if (tier == kTryAll) [[unlikely]] {
    return FullFixed16Search(red, green, blue);
  }
  int best = std::min(Fixed16Key(red, green, blue, cell & 15),
                      Fixed16Key(red, green, blue, (cell >> 4) & 15));
  if (tier == kTryFour) {
    best = std::min(best, std::min(Fixed16Key(red, green, blue, (cell >> 8) & 15),
                                   Fixed16Key(red, green, blue, (cell >> 12) & 15)));
  }
  return static_cast<uint8_t>(best & 15);
}

uint8_t NearestRgb332Index(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<uint8_t>((kNearestLevel3[red] << 5) | (kNearestLevel3[green] << 2) |
                              kNearestLevel2[blue]);
}

}  // namespace zelmor
