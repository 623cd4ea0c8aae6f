#include "tests/support/bmp_file.h"

#include <cstddef>

namespace zelmor::testing {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

std::vector<uint8_t> BuildBmpFile(int32_t width, int32_t height, uint16_t bitCount,
                                  uint32_t compression, const std::vector<uint32_t>& palette,
                                  const std::vector<uint8_t>& pixels) {
  const auto colours = static_cast<uint32_t>(palette.size());
  const uint32_t pixelsAt = 14 + 40 + 4 * colours;
  std::vector<uint8_t> out = {'B', 'M'};
  Put32(out, pixelsAt + static_cast<uint32_t>(pixels.size()));
  Put32(out, 0);
  Put32(out, pixelsAt);
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, bitCount);
  Put32(out, compression);
  Put32(out, static_cast<uint32_t>(pixels.size()));
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, colours);
  Put32(out, 0);
  for (const uint32_t rgb : palette) {
    Put32(out, rgb & 0xFFFFFF);  // blue, green, red, 0
  }
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

std::vector<uint8_t> BuildBmp(const BmpSpec& spec) {
  const bool core = spec.headerBytes == 12;
  std::vector<uint8_t> header;
  Put32(header, spec.headerBytes);
  if (core) {
    Put16(header, static_cast<uint32_t>(spec.width));
    Put16(header, static_cast<uint32_t>(spec.height));
    Put16(header, 1);
    Put16(header, spec.bitCount);
  } else {
    Put32(header, static_cast<uint32_t>(spec.width));
    Put32(header, static_cast<uint32_t>(spec.height));
    Put16(header, 1);
    Put16(header, spec.bitCount);
    Put32(header, spec.compression);
    Put32(header, static_cast<uint32_t>(spec.pixels.size()));
    Put32(header, 2835);
    Put32(header, 2835);
    Put32(header, spec.coloursUsed);
    Put32(header, 0);
  }
  std::vector<uint8_t> masksAfter;
  if (spec.headerBytes >= 52) {
    for (std::size_t i = 0; i < 4; ++i) {
      Put32(header, i < spec.masks.size() ? spec.masks[i] : 0);
    }
  } else {
    for (const uint32_t mask : spec.masks) {
      Put32(masksAfter, mask);
    }
  }
  if (spec.headerBytes >= 108) {
    header.resize(56);
    Put32(header, spec.colourSpace);
  }
  header.resize(spec.headerBytes, 0);
  std::vector<uint8_t> palette;
  for (const uint32_t rgb : spec.palette) {
    palette.push_back(static_cast<uint8_t>(rgb));
    palette.push_back(static_cast<uint8_t>(rgb >> 8));
    palette.push_back(static_cast<uint8_t>(rgb >> 16));
    if (!core) {
      palette.push_back(0);
    }
  }
  const auto pixelsAt =
      static_cast<uint32_t>(14 + header.size() + masksAfter.size() + palette.size());
  const auto profileAt = static_cast<uint32_t>(pixelsAt + spec.pixels.size());
  if (spec.headerBytes >= 124 && !spec.profile.empty()) {
    // Counted from the start of the info header.
    for (int i = 0; i < 4; ++i) {
      header[112 + i] = static_cast<uint8_t>((profileAt - 14) >> (8 * i));
      header[116 + i] = static_cast<uint8_t>(spec.profile.size() >> (8 * i));
    }
  }
  std::vector<uint8_t> out = {'B', 'M'};
  Put32(out, profileAt + static_cast<uint32_t>(spec.profile.size()));
  Put32(out, 0);
  Put32(out, spec.pixelsAt.value_or(pixelsAt));
  out.insert(out.end(), header.begin(), header.end());
  out.insert(out.end(), masksAfter.begin(), masksAfter.end());
  out.insert(out.end(), palette.begin(), palette.end());
  out.insert(out.end(), spec.pixels.begin(), spec.pixels.end());
  out.insert(out.end(), spec.profile.begin(), spec.profile.end());
  return out;
}

std::vector<uint8_t> PackBmpRows(const std::vector<std::vector<uint32_t>>& rows, uint16_t bits) {
  std::vector<uint8_t> out;
  for (const std::vector<uint32_t>& row : rows) {
    const std::size_t start = out.size();
    if (bits >= 16) {
      for (const uint32_t v : row) {
        for (int i = 0; i < bits / 8; ++i) {
          out.push_back(static_cast<uint8_t>(v >> (8 * i)));
        }
      }
    } else {
      uint32_t filled = 0;
      for (const uint32_t v : row) {
        if (filled % 8 == 0) {
          out.push_back(0);
        }
        out.back() = static_cast<uint8_t>(out.back() | (v << (8 - bits - filled % 8)));
        filled += bits;
      }
    }
    while ((out.size() - start) % 4 != 0) {
      out.push_back(0);
    }
  }
  return out;
}

uint32_t PngCrc32(const uint8_t* data, std::size_t size) {
  uint32_t crc = 0xFFFFFFFF;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
    }
  }
  return ~crc;
}

}  // namespace zelmor::testing
