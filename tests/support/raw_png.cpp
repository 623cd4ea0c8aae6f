#include "tests/support/raw_png.h"

#include <zlib.h>

#include <stdexcept>

#include "tests/support/bmp_file.h"

namespace zelmor::testing {
namespace {

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  out.insert(out.end(), {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                         static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)});
}

// One row's bytes after its filter byte, samples packed big-endian.
void AppendRow(const RawPng& png, uint32_t y, std::vector<uint8_t>& out) {
  const int samples = SamplesPerPixel(png.colourType);
  if (png.bitDepth >= 8) {
    for (uint32_t x = 0; x < png.width; ++x) {
      for (int s = 0; s < samples; ++s) {
        const uint32_t value = png.sample(x, y, s);
        if (png.bitDepth == 16) {
          out.push_back(static_cast<uint8_t>(value >> 8));
        }
        out.push_back(static_cast<uint8_t>(value));
      }
    }
    return;
  }
  uint32_t bits = 0;
  int filled = 0;
  for (uint32_t x = 0; x < png.width; ++x) {
    bits = bits << png.bitDepth | (png.sample(x, y, 0) & ((1u << png.bitDepth) - 1));
    filled += png.bitDepth;
    if (filled == 8) {
      out.push_back(static_cast<uint8_t>(bits));
      bits = 0;
      filled = 0;
    }
  }
  if (filled > 0) {
    out.push_back(static_cast<uint8_t>(bits << (8 - filled)));
  }
}

}  // namespace

int SamplesPerPixel(uint8_t colourType) {
  switch (colourType) {
    case 0:
    case 3:
      return 1;
    case 4:
      return 2;
    case 2:
      return 3;
    case 6:
      return 4;
  }
  throw std::invalid_argument("no such PNG colour type");
}

std::vector<uint8_t> PngChunk(const std::string& type, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> chunk;
  Put32(chunk, static_cast<uint32_t>(data.size()));
  chunk.insert(chunk.end(), type.begin(), type.end());
  chunk.insert(chunk.end(), data.begin(), data.end());
  Put32(chunk, PngCrc32(chunk.data() + 4, chunk.size() - 4));
  return chunk;
}

std::vector<uint8_t> WriteRawPng(const RawPng& png) {
  std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  Put32(header, png.width);
  Put32(header, png.height);
  header.insert(header.end(), {png.bitDepth, png.colourType, 0, 0, 0});
  const auto append = [&file](const std::vector<uint8_t>& chunk) {
    file.insert(file.end(), chunk.begin(), chunk.end());
  };
  append(PngChunk("IHDR", header));
  for (const auto& [type, data] : png.chunks) {
    append(PngChunk(type, data));
  }
  std::vector<uint8_t> rows;
  for (uint32_t y = 0; y < png.height; ++y) {
    rows.push_back(0);
    AppendRow(png, y, rows);
  }
  uLongf size = compressBound(static_cast<uLong>(rows.size()));
  std::vector<uint8_t> deflated(size);
  if (compress2(deflated.data(), &size, rows.data(), static_cast<uLong>(rows.size()), 6) != Z_OK) {
    throw std::runtime_error("compress2 failed");
  }
  deflated.resize(std::min<std::size_t>(size, png.imageDataBytes));
  append(PngChunk("IDAT", deflated));
  append(PngChunk("IEND", {}));
  return file;
}

}  // namespace zelmor::testing
