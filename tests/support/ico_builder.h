#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "encoding/palette.h"

namespace zelmor::testing {

// One image of a test ICO: its block and what its directory entry says. The
// directory's size and offset default to the block's real length and place.
struct IcoEntry {
  std::vector<uint8_t> data;
  uint8_t width = 0;  // 0 stands for 256
  uint8_t height = 0;
  uint8_t colorCount = 0;
  uint8_t reserved = 0;
  uint16_t planes = 1;
  uint16_t bitCount = 32;
  std::optional<uint32_t> bytesInRes;
  std::optional<uint32_t> imageOffset;
};

// Lays out an ICO file: ICONDIR, one ICONDIRENTRY per added entry, then the
// blocks back to back in the same order. Header fields may be set to values a
// real file would not hold.
class IcoBuilder {
 public:
  IcoBuilder& Reserved(uint16_t value);
  IcoBuilder& Type(uint16_t value);
  // idCount as written; by default the number of added entries.
  IcoBuilder& Count(uint16_t value);
  IcoBuilder& Add(IcoEntry entry);
  IcoBuilder& Add(std::vector<uint8_t> block);
  // Bytes written after the last block, which no entry names.
  IcoBuilder& Tail(std::vector<uint8_t> bytes);

  std::vector<uint8_t> Build() const;

 private:
  uint16_t reserved_ = 0;
  uint16_t type_ = 1;
  std::optional<uint16_t> count_;
  std::vector<IcoEntry> entries_;
  std::vector<uint8_t> tail_;
};

// Builds the device-independent-bitmap block of one ICO image: a 40-byte
// BITMAPINFOHEADER, the palette, the XOR rows and the AND rows, both stored
// bottom-up. Pixels are addressed top-down, as a picture is seen. Every XOR
// and AND bit starts 0: colour or index 0, opaque.
class BitmapEntryBuilder {
 public:
  BitmapEntryBuilder(int32_t width, int32_t height, uint16_t bitCount);

  // Header fields as written; by default biSize 40, biHeight 2 x height and
  // biClrUsed the palette's length. The block layout does not follow them.
  BitmapEntryBuilder& HeaderSize(uint32_t biSize);
  BitmapEntryBuilder& StoredHeight(int32_t biHeight);
  BitmapEntryBuilder& ClrUsed(uint32_t biClrUsed);
  // The palette written after the header; by default 2^bitCount black entries
  // at 8 bits or fewer, none above.
  BitmapEntryBuilder& Palette(std::vector<RGBQUAD> palette);

  // Stores `value` for pixel (x, y): a palette index at 8 bits or fewer (the
  // leftmost pixel in the high bits of a byte), the raw 16-bit word at 16,
  // 0xRRGGBB at 24 and 0xAARRGGBB at 32.
  BitmapEntryBuilder& Pixel(int32_t x, int32_t y, uint32_t value);
  // Sets or clears the AND bit of pixel (x, y).
  BitmapEntryBuilder& Transparent(int32_t x, int32_t y, bool transparent = true);

  std::vector<uint8_t> Build() const;

  // Where things land in the built block.
  std::size_t XorRowBytes() const { return xor_row_bytes_; }
  std::size_t AndRowBytes() const { return and_row_bytes_; }
  std::size_t XorStart() const;
  std::size_t AndStart() const { return XorStart() + xor_.size(); }
  // Offsets of the stored rows that hold picture row y.
  std::size_t XorRowOffset(int32_t y) const;
  std::size_t AndRowOffset(int32_t y) const;

 private:
  int32_t width_;
  int32_t height_;
  uint16_t bit_count_;
  uint32_t header_size_ = 40;
  int32_t stored_height_;
  std::optional<uint32_t> clr_used_;
  std::vector<RGBQUAD> palette_;
  std::size_t xor_row_bytes_;
  std::size_t and_row_bytes_;
  std::vector<uint8_t> xor_;
  std::vector<uint8_t> and_;
};

// Little-endian field readers for checking built or written files.
uint16_t GetU16(const std::vector<uint8_t>& bytes, std::size_t at);
uint32_t GetU32(const std::vector<uint8_t>& bytes, std::size_t at);

}  // namespace zelmor::testing
