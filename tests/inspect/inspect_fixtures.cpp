#include "tests/inspect/inspect_fixtures.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>

#include <algorithm>

#include "platform/imaging.h"
#include "tests/support/ico_builder.h"

namespace zelmor::testing {
namespace {

Bytes Encode(const QImage& image) {
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "png");
  return Bytes(data.begin(), data.end());
}

QImage Picture(int32_t width, int32_t height, QImage::Format format) {
  QImage image(width, height, QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      image.setPixelColor(x, y, QColor(x * 7 % 256, y * 5 % 256, 90, (x + y) % 2 ? 255 : 100));
    }
  }
  return image.convertToFormat(format);
}

}  // namespace

Bytes BitmapBlock(int32_t width, int32_t height, uint16_t bits, uint32_t seed) {
  BitmapEntryBuilder block(width, height, bits);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t v = static_cast<uint32_t>(x * 31 + y * 7) + seed;
      block.Pixel(x, y,
                  bits == 32 ? (((x + y) % 3 == 0 ? 0x80u : 0xFFu) << 24) | (v & 0xFFFFFF)
                             : v & ((1u << std::min<uint16_t>(bits, 24)) - 1));
      block.Transparent(x, y, x == 0 && y == 0);
    }
  }
  return block.Build();
}

Bytes RgbaPng(int32_t width, int32_t height) {
  return Encode(Picture(width, height, QImage::Format_ARGB32));
}

Bytes RgbPng(int32_t width, int32_t height) {
  return Encode(Picture(width, height, QImage::Format_RGB32));
}

Bytes PalettePng(int32_t width, int32_t height) {
  return Encode(Picture(width, height, QImage::Format_Indexed8));
}

std::vector<FindingKey> Keys(const IconInspection& inspection) {
  std::vector<FindingKey> keys;
  for (const Finding& finding : inspection.findings) {
    keys.emplace_back(finding.code, finding.entry ? static_cast<int>(*finding.entry) : -1);
  }
  return keys;
}

std::vector<FindingKey> FindingsOf(const Bytes& bytes) {
  const ImagingSession imaging;
  return Keys(InspectIcon(bytes));
}

}  // namespace zelmor::testing
