#include "encoding/icon_image.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <stdexcept>

namespace zelmor {
namespace {

constexpr uint8_t kOpaqueAlpha = 128;  // alpha 0..127 is transparent in the mask

bool IsEncodableDepth(int bits) {
  return bits == 4 || bits == 8 || bits == 24 || bits == 32;
}

void EncodeRow32(const uint8_t* src, int32_t size, uint8_t* dst) {
  // Same byte order on both sides: blue, green, red, alpha.
  std::memcpy(dst, src, static_cast<size_t>(size) * 4);
}

void EncodeRow24(const uint8_t* src, int32_t size, uint8_t* dst) {
  for (int32_t x = 0; x < size; ++x, src += 4, dst += 3) {
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
  }
}

void EncodeRow8(const uint8_t* src, int32_t size, uint8_t* dst) {
  for (int32_t x = 0; x < size; ++x, src += 4) dst[x] = NearestRgb332Index(src[2], src[1], src[0]);
}

void EncodeRow4(const uint8_t* src, int32_t size, uint8_t* dst) {
  // Left pixel in the high nibble; an odd last pixel leaves the low nibble 0.
  for (int32_t x = 0; x < size; ++x, src += 4) {
    const uint8_t index = NearestFixed16Index(src[2], src[1], src[0]);
    if ((x & 1) == 0) {
      dst[x >> 1] = static_cast<uint8_t>(index << 4);
    } else {
      dst[x >> 1] |= index;
    }
  }
}

void EncodeMaskRow(const uint8_t* src, int32_t size, uint8_t* dst) {
  for (int32_t x0 = 0; x0 < size; x0 += 8) {
    const int count = std::min<int32_t>(8, size - x0);
    unsigned byte = 0;
    for (int k = 0; k < count; ++k) {
      const unsigned transparent = src[4 * (x0 + k) + 3] < kOpaqueAlpha ? 1u : 0u;
      byte |= transparent << (7 - k);
    }
    dst[x0 >> 3] = static_cast<uint8_t>(byte);
  }
}

}  // namespace

uint32_t XorStride(int32_t size, int bits) {
  if (size < 0 || bits < 1 || bits > 32) {
    throw std::invalid_argument("XorStride: negative size or depth outside 1..32");
  }
  const uint64_t stride = (static_cast<uint64_t>(size) * static_cast<uint64_t>(bits) + 31) / 32 * 4;
  if (stride > UINT32_MAX) throw std::invalid_argument("XorStride: row longer than 4 GiB");
  return static_cast<uint32_t>(stride);
}

uint32_t MaskStride(int32_t size) {
  return XorStride(size, 1);
}

IconImageData EncodeIconImage(const uint8_t* pixels, int32_t size, int32_t stride, int bits) {
  if (pixels == nullptr) throw std::invalid_argument("EncodeIconImage: no pixels");
  if (!IsEncodableDepth(bits)) {
    throw std::invalid_argument("EncodeIconImage: depth must be 4, 8, 24 or 32 bits");
  }
  if (size < 1) throw std::invalid_argument("EncodeIconImage: size below 1");
  if (static_cast<int64_t>(stride) < 4 * static_cast<int64_t>(size)) {
    throw std::invalid_argument("EncodeIconImage: stride shorter than a row of pixels");
  }

  const uint32_t xorStride = XorStride(size, bits);
  const uint32_t maskStride = MaskStride(size);
  const uint64_t xorBytes = static_cast<uint64_t>(xorStride) * static_cast<uint64_t>(size);
  const uint64_t maskBytes = static_cast<uint64_t>(maskStride) * static_cast<uint64_t>(size);
  const uint64_t paletteBytes = bits == 4 ? 4 * 16 : (bits == 8 ? 4 * 256 : 0);
  // A block's length is stored in 32 bits, so a bigger image could never be written.
  if (40 + paletteBytes + xorBytes + maskBytes > UINT32_MAX) {
    throw std::invalid_argument("EncodeIconImage: image too large for an icon block");
  }

  IconImageData image;
  image.size = size;
  if (bits == 4) image.palette = MakeFixed16Palette();
  if (bits == 8) image.palette = MakeRgb332Palette();
  image.xorBitmap.assign(static_cast<size_t>(xorBytes), 0);
  image.andMask.assign(static_cast<size_t>(maskBytes), 0);

  for (int32_t r = 0; r < size; ++r) {
    // Stored rows run bottom-up, source rows top-down.
    const uint8_t* src = pixels + static_cast<ptrdiff_t>(size - 1 - r) * stride;
    uint8_t* xorRow = image.xorBitmap.data() + static_cast<size_t>(r) * xorStride;
    switch (bits) {
      case 32:
        EncodeRow32(src, size, xorRow);
        break;
      case 24:
        EncodeRow24(src, size, xorRow);
        break;
      case 8:
        EncodeRow8(src, size, xorRow);
        break;
      default:
        EncodeRow4(src, size, xorRow);
        break;
    }
    EncodeMaskRow(src, size, image.andMask.data() + static_cast<size_t>(r) * maskStride);
  }
  return image;
}

}  // namespace zelmor
