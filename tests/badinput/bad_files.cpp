#include "tests/badinput/bad_files.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <algorithm>
#include <stdexcept>

#include "tests/support/bmp_file.h"
#include "tests/support/picture_writer.h"
#include "tests/support/temp_dir.h"

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

void SetBigEndian32(std::vector<uint8_t>& bytes, std::size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) {
    bytes[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
  }
}

Bitmap SmallPicture(int32_t width, int32_t height) {
  return MakeBitmap(width, height, [](int32_t x, int32_t y) -> uint32_t {
    return (x + y) % 4 == 0 ? 0
                            : 0xFF000000 | static_cast<uint32_t>(x % 8 * 30) << 16 | 0x80u << 8 |
                                  static_cast<uint32_t>(y % 8 * 30);
  });
}

}  // namespace

std::vector<uint8_t> DibHeader(int32_t width, int32_t storedHeight, uint16_t bitCount,
                               uint32_t clrUsed) {
  std::vector<uint8_t> out;
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(storedHeight));
  Put16(out, 1);
  Put16(out, bitCount);
  for (int field = 0; field < 4; ++field) {
    Put32(out, 0);  // compression, image size, resolution
  }
  Put32(out, clrUsed);
  Put32(out, 0);
  return out;
}

std::vector<uint8_t> PngDeclaring(uint32_t width, uint32_t height) {
  std::vector<uint8_t> png = EncodePng(SmallPicture(1, 1));
  // Signature (8), then IHDR: length (4), type (4), width, height, ..., CRC.
  if (png.size() < 33 || png[12] != 'I' || png[15] != 'R') {
    throw std::runtime_error("unexpected PNG layout");
  }
  SetBigEndian32(png, 16, width);
  SetBigEndian32(png, 20, height);
  SetBigEndian32(png, 29, PngCrc32(png.data() + 12, 17));
  return png;
}

std::vector<uint8_t> GifDeclaring(uint16_t width, uint16_t height) {
  std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
  Put16(out, width);
  Put16(out, height);
  out.insert(out.end(), {0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF});  // two-colour table
  out.push_back(0x2C);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, width);
  Put16(out, height);
  out.push_back(0);
  out.insert(out.end(), {2, 2, 0x44, 0x01, 0, 0x3B});  // a clear code, one index, end
  return out;
}

std::vector<uint8_t> JpegDeclaring(uint16_t width, uint16_t height) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImage(8, 8, QImage::Format_RGB32).save(&buffer, "jpg");
  std::vector<uint8_t> jpeg(bytes.begin(), bytes.end());
  // Baseline frame header: FF C0, length, precision, height, width (big-endian).
  for (std::size_t i = 0; i + 8 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
      jpeg[i + 5] = static_cast<uint8_t>(height >> 8);
      jpeg[i + 6] = static_cast<uint8_t>(height);
      jpeg[i + 7] = static_cast<uint8_t>(width >> 8);
      jpeg[i + 8] = static_cast<uint8_t>(width);
      return jpeg;
    }
  }
  throw std::runtime_error("no baseline frame header in the JPEG");
}

std::vector<uint8_t> BmpFile(int32_t width, int32_t height, uint16_t bitCount, uint32_t compression,
                             uint32_t paletteEntries, const std::vector<uint8_t>& pixels) {
  std::vector<uint32_t> greys;
  for (uint32_t i = 0; i < paletteEntries; ++i) {
    const uint32_t grey = i * 255 / std::max<uint32_t>(1, paletteEntries - 1);
    greys.push_back(grey << 16 | grey << 8 | grey);
  }
  return BuildBmpFile(width, height, bitCount, compression, greys, pixels);
}

std::vector<uint8_t> PictureFileBytes(const std::string& format) {
  const TempDir dir;
  const std::string path = dir.File("picture." + format);
  const Bitmap picture = SmallPicture(format == "ico" ? 32 : 23, format == "ico" ? 32 : 17);
  if (!WritePicture(picture, path, format)) {
    throw std::runtime_error("cannot write a " + format + " picture");
  }
  return ReadBytes(path);
}

std::vector<uint8_t> IsoPictureDeclaring(const std::string& format, uint32_t width,
                                         uint32_t height) {
  std::vector<uint8_t> file = PictureFileBytes(format);
  // ispe: size, type, version and flags, then width and height (big-endian).
  for (std::size_t i = 4; i + 16 <= file.size(); ++i) {
    if (file[i] == 'i' && file[i + 1] == 's' && file[i + 2] == 'p' && file[i + 3] == 'e') {
      SetBigEndian32(file, i + 8, width);
      SetBigEndian32(file, i + 12, height);
      return file;
    }
  }
  throw std::runtime_error("no ispe box in the " + format + " file");
}

std::vector<uint8_t> JxlDeclaring(uint32_t width, uint32_t height) {
  // The codestream's size header, bits least significant first: not a small
  // picture, then each side as selector 3 (30 bits of side - 1), with no ratio.
  std::vector<uint8_t> out = {0xFF, 0x0A};
  uint64_t bits = 0;
  int filled = 0;
  const auto put = [&](uint64_t value, int count) {
    bits |= value << filled;
    filled += count;
    while (filled >= 8) {
      out.push_back(static_cast<uint8_t>(bits));
      bits >>= 8;
      filled -= 8;
    }
  };
  put(0, 1);
  put(3, 2);
  put(height - 1, 30);
  put(0, 3);
  put(3, 2);
  put(width - 1, 30);
  put(1, 1);  // all-default image metadata
  put(0, 7);
  out.insert(out.end(), 32, 0);  // a few bytes of nothing
  return out;
}

}  // namespace zelmor::testing
