#include "tests/support/tga_file.h"

#include <algorithm>
#include <cstring>

namespace zelmor::testing {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

}  // namespace

std::vector<uint8_t> BuildTga(const TgaSpec& spec) {
  const std::size_t entryBytes = (spec.mapEntryBits + 7u) / 8u;
  std::vector<uint8_t> out = {static_cast<uint8_t>(spec.id.size()),
                              static_cast<uint8_t>(spec.hasMap ? 1 : 0), spec.type};
  Put16(out, spec.mapFirst);
  Put16(out, static_cast<uint32_t>(spec.hasMap ? spec.map.size() / entryBytes : 0));
  out.push_back(spec.hasMap ? spec.mapEntryBits : 0);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, spec.width);
  Put16(out, spec.height);
  out.push_back(spec.pixelBits);
  out.push_back(spec.descriptor);
  out.insert(out.end(), spec.id.begin(), spec.id.end());
  if (spec.hasMap) {
    out.insert(out.end(), spec.map.begin(), spec.map.end());
  }
  out.insert(out.end(), spec.pixels.begin(), spec.pixels.end());
  if (spec.footer) {
    out.insert(out.end(), 8, 0);
    const char signature[] = "TRUEVISION-XFILE.";
    out.insert(out.end(), signature, signature + sizeof signature);
  }
  return out;
}

std::vector<uint8_t> TgaRunLength(const std::vector<uint8_t>& raw, std::size_t pixelBytes) {
  const std::size_t count = raw.size() / pixelBytes;
  const auto same = [&](std::size_t a, std::size_t b) {
    return std::memcmp(raw.data() + a * pixelBytes, raw.data() + b * pixelBytes, pixelBytes) == 0;
  };
  std::vector<uint8_t> out;
  std::size_t i = 0;
  while (i < count) {
    std::size_t run = 1;
    while (i + run < count && run < 128 && same(i, i + run)) {
      ++run;
    }
    if (run >= 2) {
      out.push_back(static_cast<uint8_t>(0x80 | (run - 1)));
      out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(i * pixelBytes),
                 raw.begin() + static_cast<std::ptrdiff_t>((i + 1) * pixelBytes));
      i += run;
      continue;
    }
    // Raw pixels up to the next repeat.
    std::size_t length = 1;
    while (i + length < count && length < 128 &&
           !(i + length + 1 < count && same(i + length, i + length + 1))) {
      ++length;
    }
    out.push_back(static_cast<uint8_t>(length - 1));
    out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(i * pixelBytes),
               raw.begin() + static_cast<std::ptrdiff_t>((i + length) * pixelBytes));
    i += length;
  }
  return out;
}

}  // namespace zelmor::testing
