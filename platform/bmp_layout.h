#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/decoded_picture.h"
#include "platform/dib_rows.h"

namespace zelmor {

enum class BmpCoding { kPlain, kRle8, kRle4, kRle24 };

// One colour channel of a 16- or 32-bit pixel: where its bits lie and how
// many levels they hold.
struct BmpChannel {
  uint32_t mask = 0;
  uint32_t shift = 0;
  uint32_t max = 0;  // mask >> shift; 0 for an absent channel
};

// What the headers of a BMP file say, checked against the file's length.
struct BmpLayout {
  int32_t width = 0;
  int32_t height = 0;  // positive; `topDown` keeps the sign
  bool topDown = false;
  uint16_t bitCount = 0;
  BmpCoding coding = BmpCoding::kPlain;
  // Blue, green, red, alpha, for 16 and 32 bits.
  std::array<BmpChannel, 4> channels{};
  bool hasAlpha = false;
  // Every index mapped to its colour; indices past the palette are opaque black.
  DibPalette palette{};
  uint64_t pixelsAt = 0;
  uint64_t rowBytes = 0;  // uncompressed rows, padded to 4 bytes
  // An embedded profile's place in the file; size 0 for none.
  uint64_t profileAt = 0;
  uint64_t profileSize = 0;
  std::optional<CalibratedRgb> calibrated;
};

// Nothing when a header, the masks or the palette is cut, a field is out of
// range, the coding is one this decoder does not read, or the picture would
// pass kMaxDecodedImageBytes.
std::optional<BmpLayout> ReadBmpLayout(const uint8_t* data, std::size_t size);

}  // namespace zelmor
