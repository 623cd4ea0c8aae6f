#include "tests/support/ico_builder.h"

#include <stdexcept>

namespace zelmor::testing {
namespace {

void PutU8(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
}

void PutU16(std::vector<uint8_t>& out, uint32_t value) {
  PutU8(out, value);
  PutU8(out, value >> 8);
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
  PutU16(out, value);
  PutU16(out, value >> 16);
}

}  // namespace

IcoBuilder& IcoBuilder::Reserved(uint16_t value) {
  reserved_ = value;
  return *this;
}

IcoBuilder& IcoBuilder::Type(uint16_t value) {
  type_ = value;
  return *this;
}

IcoBuilder& IcoBuilder::Count(uint16_t value) {
  count_ = value;
  return *this;
}

IcoBuilder& IcoBuilder::Add(IcoEntry entry) {
  entries_.push_back(std::move(entry));
  return *this;
}

IcoBuilder& IcoBuilder::Add(std::vector<uint8_t> block) {
  IcoEntry entry;
  entry.data = std::move(block);
  return Add(std::move(entry));
}

IcoBuilder& IcoBuilder::Tail(std::vector<uint8_t> bytes) {
  tail_ = std::move(bytes);
  return *this;
}

std::vector<uint8_t> IcoBuilder::Build() const {
  std::vector<uint8_t> out;
  PutU16(out, reserved_);
  PutU16(out, type_);
  PutU16(out, count_.value_or(static_cast<uint16_t>(entries_.size())));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * entries_.size());
  for (const IcoEntry& entry : entries_) {
    PutU8(out, entry.width);
    PutU8(out, entry.height);
    PutU8(out, entry.colorCount);
    PutU8(out, entry.reserved);
    PutU16(out, entry.planes);
    PutU16(out, entry.bitCount);
    PutU32(out, entry.bytesInRes.value_or(static_cast<uint32_t>(entry.data.size())));
    PutU32(out, entry.imageOffset.value_or(offset));
    offset += static_cast<uint32_t>(entry.data.size());
  }
  for (const IcoEntry& entry : entries_) {
    out.insert(out.end(), entry.data.begin(), entry.data.end());
  }
  out.insert(out.end(), tail_.begin(), tail_.end());
  return out;
}

BitmapEntryBuilder::BitmapEntryBuilder(int32_t width, int32_t height, uint16_t bitCount)
    : width_(width),
      height_(height),
      bit_count_(bitCount),
      stored_height_(2 * height),
      xor_row_bytes_((static_cast<std::size_t>(bitCount) * width + 31) / 32 * 4),
      and_row_bytes_((static_cast<std::size_t>(width) + 31) / 32 * 4),
      xor_(xor_row_bytes_ * height),
      and_(and_row_bytes_ * height) {
  if (width < 1 || height < 1) {
    throw std::invalid_argument("BitmapEntryBuilder: sides must be positive");
  }
  if (bitCount >= 1 && bitCount <= 8) {
    palette_.resize(std::size_t{1} << bitCount);
  }
}

BitmapEntryBuilder& BitmapEntryBuilder::HeaderSize(uint32_t biSize) {
  header_size_ = biSize;
  return *this;
}

BitmapEntryBuilder& BitmapEntryBuilder::StoredHeight(int32_t biHeight) {
  stored_height_ = biHeight;
  return *this;
}

BitmapEntryBuilder& BitmapEntryBuilder::ClrUsed(uint32_t biClrUsed) {
  clr_used_ = biClrUsed;
  return *this;
}

BitmapEntryBuilder& BitmapEntryBuilder::Palette(std::vector<RGBQUAD> palette) {
  palette_ = std::move(palette);
  return *this;
}

BitmapEntryBuilder& BitmapEntryBuilder::Pixel(int32_t x, int32_t y, uint32_t value) {
  if (x < 0 || x >= width_ || y < 0 || y >= height_) {
    throw std::out_of_range("BitmapEntryBuilder::Pixel: outside the picture");
  }
  uint8_t* row = xor_.data() + XorRowOffset(y) - XorStart();
  switch (bit_count_) {
    case 32:
      for (int i = 0; i < 4; ++i) {
        // Stored blue, green, red, alpha: 0xAARRGGBB little-endian.
        row[4 * x + i] = static_cast<uint8_t>(value >> (8 * i));
      }
      break;
    case 24:
      for (int i = 0; i < 3; ++i) {
        row[3 * x + i] = static_cast<uint8_t>(value >> (8 * i));
      }
      break;
    case 16:
      row[2 * x] = static_cast<uint8_t>(value);
      row[2 * x + 1] = static_cast<uint8_t>(value >> 8);
      break;
    case 1:
    case 2:
    case 4:
    case 8: {
      const std::size_t bit = static_cast<std::size_t>(x) * bit_count_;
      const int shift = 8 - bit_count_ - static_cast<int>(bit % 8);
      const uint32_t mask = (1u << bit_count_) - 1;
      uint8_t& byte = row[bit / 8];
      byte = static_cast<uint8_t>((byte & ~(mask << shift)) | ((value & mask) << shift));
      break;
    }
    default:
      throw std::invalid_argument("BitmapEntryBuilder::Pixel: no pixel layout for this depth");
  }
  return *this;
}

BitmapEntryBuilder& BitmapEntryBuilder::Transparent(int32_t x, int32_t y, bool transparent) {
  if (x < 0 || x >= width_ || y < 0 || y >= height_) {
    throw std::out_of_range("BitmapEntryBuilder::Transparent: outside the picture");
  }
  uint8_t& byte = and_[AndRowOffset(y) - AndStart() + static_cast<std::size_t>(x / 8)];
  const uint8_t bit = static_cast<uint8_t>(0x80 >> (x % 8));
  byte = static_cast<uint8_t>(transparent ? byte | bit : byte & ~bit);
  return *this;
}

std::size_t BitmapEntryBuilder::XorStart() const {
  return 40 + 4 * palette_.size();
}

std::size_t BitmapEntryBuilder::XorRowOffset(int32_t y) const {
  return XorStart() + static_cast<std::size_t>(height_ - 1 - y) * xor_row_bytes_;
}

std::size_t BitmapEntryBuilder::AndRowOffset(int32_t y) const {
  return AndStart() + static_cast<std::size_t>(height_ - 1 - y) * and_row_bytes_;
}

std::vector<uint8_t> BitmapEntryBuilder::Build() const {
  std::vector<uint8_t> out;
  out.reserve(AndStart() + and_.size());
  PutU32(out, header_size_);
  PutU32(out, static_cast<uint32_t>(width_));
  PutU32(out, static_cast<uint32_t>(stored_height_));
  PutU16(out, 1);  // biPlanes
  PutU16(out, bit_count_);
  PutU32(out, 0);  // biCompression
  PutU32(out, static_cast<uint32_t>(xor_.size()));
  PutU32(out, 0);  // biXPelsPerMeter
  PutU32(out, 0);  // biYPelsPerMeter
  PutU32(out, clr_used_.value_or(static_cast<uint32_t>(palette_.size())));
  PutU32(out, 0);  // biClrImportant
  for (const RGBQUAD& quad : palette_) {
    PutU8(out, quad.rgbBlue);
    PutU8(out, quad.rgbGreen);
    PutU8(out, quad.rgbRed);
    PutU8(out, quad.rgbReserved);
  }
  out.insert(out.end(), xor_.begin(), xor_.end());
  out.insert(out.end(), and_.begin(), and_.end());
  return out;
}

uint16_t GetU16(const std::vector<uint8_t>& bytes, std::size_t at) {
  return static_cast<uint16_t>(bytes.at(at) | (bytes.at(at + 1) << 8));
}

uint32_t GetU32(const std::vector<uint8_t>& bytes, std::size_t at) {
  return GetU16(bytes, at) | (uint32_t{GetU16(bytes, at + 2)} << 16);
}

}  // namespace zelmor::testing
