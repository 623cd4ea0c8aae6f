#include "tests/overlay/written_ico.h"

#include <stdexcept>

#include "tests/support/ico_builder.h"

namespace zelmor::testing {
namespace {

constexpr std::size_t kHeaderBytes = 40;

std::size_t MaskStrideOf(int32_t side) {
  return (static_cast<std::size_t>(side) + 31) / 32 * 4;
}

}  // namespace

int32_t WrittenEntry::side() const {
  return static_cast<int32_t>(GetU32(block, 4));
}

std::array<uint8_t, 4> WrittenEntry::Pixel(int32_t x, int32_t y) const {
  const int32_t s = side();
  const std::size_t at = kHeaderBytes + (static_cast<std::size_t>(s - 1 - y) * s + x) * 4;
  return {block.at(at), block.at(at + 1), block.at(at + 2), block.at(at + 3)};
}

bool WrittenEntry::MaskBit(int32_t x, int32_t y) const {
  const int32_t s = side();
  const std::size_t maskStart = kHeaderBytes + static_cast<std::size_t>(s) * s * 4;
  const std::size_t at = maskStart + static_cast<std::size_t>(s - 1 - y) * MaskStrideOf(s) + x / 8;
  return (block.at(at) & (0x80 >> (x % 8))) != 0;
}

std::vector<uint8_t> WrittenEntry::Mask() const {
  const int32_t s = side();
  const std::size_t maskStart = kHeaderBytes + static_cast<std::size_t>(s) * s * 4;
  return {block.begin() + static_cast<std::ptrdiff_t>(maskStart), block.end()};
}

WrittenIco ParseIco(const std::vector<uint8_t>& file) {
  WrittenIco ico;
  ico.reserved = GetU16(file, 0);
  ico.type = GetU16(file, 2);
  const uint16_t count = GetU16(file, 4);
  for (uint16_t i = 0; i < count; ++i) {
    const std::size_t at = 6 + 16 * std::size_t{i};
    WrittenEntry entry;
    entry.width = file.at(at);
    entry.height = file.at(at + 1);
    entry.colorCount = file.at(at + 2);
    entry.reserved = file.at(at + 3);
    entry.planes = GetU16(file, at + 4);
    entry.bitCount = GetU16(file, at + 6);
    entry.bytesInRes = GetU32(file, at + 8);
    entry.imageOffset = GetU32(file, at + 12);
    if (uint64_t{entry.imageOffset} + entry.bytesInRes > file.size()) {
      throw std::out_of_range("ParseIco: block outside the file");
    }
    entry.block.assign(file.begin() + entry.imageOffset,
                       file.begin() + entry.imageOffset + entry.bytesInRes);
    ico.entries.push_back(std::move(entry));
  }
  return ico;
}

}  // namespace zelmor::testing
