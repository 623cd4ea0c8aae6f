#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace zelmor {

struct RGBQUAD {
  uint8_t rgbBlue = 0;
  uint8_t rgbGreen = 0;
  uint8_t rgbRed = 0;
  uint8_t rgbReserved = 0;

  friend bool operator==(const RGBQUAD&, const RGBQUAD&) = default;
};

// The fixed 16-colour palette of 4-bit images.
std::vector<RGBQUAD> MakeFixed16Palette();
// The 3-3-2 palette of 8-bit images: index bits rrrgggbb.
std::vector<RGBQUAD> MakeRgb332Palette();

// The index of the entry nearest to (red, green, blue) by plain squared
// distance, the lowest index among equals; 0 for an empty palette. Searches
// every entry. Throws std::invalid_argument for a component outside 0..255.
int NearestPaletteIndex(std::span<const RGBQUAD> palette, int red, int green, int blue);

// The same answers as NearestPaletteIndex over the two fixed palettes, without
// searching every entry for every pixel.
uint8_t NearestFixed16Index(uint8_t red, uint8_t green, uint8_t blue);
uint8_t NearestRgb332Index(uint8_t red, uint8_t green, uint8_t blue);

}  // namespace zelmor
