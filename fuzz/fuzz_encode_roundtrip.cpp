// Random pixels encoded, serialised and laid out in a file, then read back by
// the project's own reader: the decoded colours must be those the encoder kept
// (exact at 24 and 32 bits, the nearest palette colour at 4 and 8 bits) and the
// transparency must be the mask's. The first bytes choose the image:
//   byte 0: edge length 1..72;
//   byte 1: bit depth (4, 8, 24 or 32) and extra bytes at the end of each row.
// The rest, repeated as needed, are the pixels (blue, green, red, alpha).
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "encoding/ico_format.h"
#include "encoding/icon_image.h"
#include "encoding/palette.h"
#include "fuzz/fuzz_support.h"
#include "overlay/decode_icon_entry.h"
#include "overlay/ico_reader.h"
#include "platform/imaging.h"

namespace {

using zelmor::fuzz::Check;

// What the reader must give back for a source pixel encoded at `bits`.
std::array<uint8_t, 4> Expected(const uint8_t* px, int bits,
                                const std::vector<zelmor::RGBQUAD>& palette) {
  const uint8_t blue = px[0];
  const uint8_t green = px[1];
  const uint8_t red = px[2];
  const uint8_t alpha = px[3];
  // Alpha below 128 sets the mask bit, which the reader turns into alpha 0.
  const uint8_t keptAlpha = alpha < 128 ? 0 : bits == 32 ? alpha : 255;
  if (bits == 24 || bits == 32) {
    return {blue, green, red, keptAlpha};
  }
  const auto& entry =
      palette[static_cast<std::size_t>(zelmor::NearestPaletteIndex(palette, red, green, blue))];
  return {entry.rgbBlue, entry.rgbGreen, entry.rgbRed, keptAlpha};
}

void CheckPadding(const zelmor::IconImageData& image, int bits) {
  const uint32_t xorStride = zelmor::XorStride(image.size, bits);
  const uint32_t maskStride = zelmor::MaskStride(image.size);
  const uint64_t side = static_cast<uint64_t>(image.size);
  Check(image.xorBitmap.size() == xorStride * side && image.andMask.size() == maskStride * side,
        "buffers of the wrong length");
  const uint64_t usedXorBits = side * static_cast<uint64_t>(bits);
  for (uint64_t row = 0; row < side; ++row) {
    for (uint64_t bit = usedXorBits; bit < uint64_t{xorStride} * 8; ++bit) {
      Check(!(image.xorBitmap[row * xorStride + bit / 8] & (0x80 >> (bit % 8))),
            "an XOR row is not 0 past its last pixel");
    }
    for (uint64_t bit = side; bit < uint64_t{maskStride} * 8; ++bit) {
      Check(!(image.andMask[row * maskStride + bit / 8] & (0x80 >> (bit % 8))),
            "a mask row is not 0 past its last pixel");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace zelmor;
  static const ImagingSession imaging;
  constexpr std::array<int, 4> kDepths = {4, 8, 24, 32};

  fuzz::ByteReader reader(data, size);
  const int32_t side = 1 + reader.Take() % 72;
  const uint8_t shape = reader.Take();
  const int bits = kDepths[shape & 3];
  const int32_t stride = 4 * side + (shape >> 2);
  const std::span<const uint8_t> source = reader.Rest();
  std::vector<uint8_t> pixels(static_cast<std::size_t>(stride) * side, 0);
  for (std::size_t i = 0; !source.empty() && i < pixels.size(); ++i) {
    pixels[i] = source[i % source.size()];
  }

  const IconImageData image = EncodeIconImage(pixels.data(), side, stride, bits);
  Check(image.size == side, "the encoder changed the edge length");
  CheckPadding(image, bits);
  const std::vector<uint8_t> block = SerializeIconImage(image, bits);
  Check(block.size() == IconImageByteCount(image), "the block's length is not the byte count");

  // Two copies in one file: the second one's offset depends on the first's length.
  const std::vector<IconImageData> images = {image, image};
  const IcoFileImage file{BuildIconFile(images, bits), 2};
  for (uint32_t i = 0; i < 2; ++i) {
    const std::optional<std::span<const uint8_t>> stored = IconEntryBytes(file, i);
    Check(stored && std::equal(stored->begin(), stored->end(), block.begin(), block.end()),
          "the file's directory does not lead to the block");
  }

  int32_t width = 0;
  int32_t height = 0;
  const std::optional<Bitmap> decoded =
      DecodeIconEntry(block.data(), static_cast<uint32_t>(block.size()), width, height);
  Check(decoded && width == side && height == side, "the block does not decode at its size");
  for (int32_t y = 0; y < side; ++y) {
    for (int32_t x = 0; x < side; ++x) {
      const std::array<uint8_t, 4> want = Expected(
          pixels.data() + static_cast<std::size_t>(y) * stride + 4 * x, bits, image.palette);
      const uint8_t* got = decoded->row(y) + 4 * x;
      Check(std::equal(want.begin(), want.end(), got), "a pixel came back different");
    }
  }
  return 0;
}
