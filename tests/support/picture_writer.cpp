#include "tests/support/picture_writer.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QString>
#include <algorithm>
#include <cstring>
#include <map>

#include "tests/support/gif_file.h"
#include "tests/support/library_picture_writer.h"
#include "tests/support/temp_dir.h"

namespace zelmor::testing {
namespace {

// A view of the bitmap's pixels; Format_ARGB32 is the Bitmap's byte order.
QImage View(const Bitmap& picture) {
  return QImage(picture.data(), picture.width(), picture.height(), picture.stride(),
                QImage::Format_ARGB32);
}

void Put16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

// Uncompressed true-colour TGA, 32 bits with 8 alpha bits, rows top-down.
std::vector<uint8_t> EncodeTga(const Bitmap& picture) {
  std::vector<uint8_t> out = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Put16(out, static_cast<uint32_t>(picture.width()));
  Put16(out, static_cast<uint32_t>(picture.height()));
  out.push_back(32);
  out.push_back(0x28);
  for (int32_t y = 0; y < picture.height(); ++y) {
    out.insert(out.end(), picture.row(y), picture.row(y) + picture.width() * 4);
  }
  // The TGA 2.0 footer, without which Qt's reader does not take the file.
  out.insert(out.end(), 8, 0);
  const char signature[] = "TRUEVISION-XFILE.";
  out.insert(out.end(), signature, signature + sizeof signature);
  return out;
}

}  // namespace

Bitmap MakeBitmap(int32_t width, int32_t height,
                  const std::function<uint32_t(int32_t x, int32_t y)>& argb) {
  Bitmap bitmap(width, height);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* p = bitmap.row(y);
    for (int32_t x = 0; x < width; ++x, p += 4) {
      const uint32_t colour = argb(x, y);
      p[0] = static_cast<uint8_t>(colour);
      p[1] = static_cast<uint8_t>(colour >> 8);
      p[2] = static_cast<uint8_t>(colour >> 16);
      p[3] = static_cast<uint8_t>(colour >> 24);
    }
  }
  return bitmap;
}

uint32_t PixelAt(const Bitmap& bitmap, int32_t x, int32_t y) {
  const uint8_t* p = bitmap.row(y) + static_cast<std::ptrdiff_t>(x) * 4;
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

bool SameBytes(const Bitmap& a, const Bitmap& b) {
  if (a.width() != b.width() || a.height() != b.height()) {
    return false;
  }
  for (int32_t y = 0; y < a.height(); ++y) {
    if (std::memcmp(a.row(y), b.row(y), static_cast<std::size_t>(a.width()) * 4) != 0) {
      return false;
    }
  }
  return true;
}

bool WritePicture(const Bitmap& picture, const std::string& path, const std::string& format) {
  if (format == "gif") {
    return WriteGif({&picture}, path);
  }
  if (format == "heic") {
    return WriteHeic(picture, path);
  }
  if (format == "avif") {
    return WriteAvif(picture, path);
  }
  if (format == "jxl") {
    return WriteJxl(picture, path);
  }
  if (format == "tga") {
    WriteBytes(path, EncodeTga(picture));
    return true;
  }
  QImageWriter writer(QString::fromStdString(path), QByteArray::fromStdString(format));
  writer.setQuality(100);
  return writer.write(View(picture));
}

bool WriteGif(const std::vector<const Bitmap*>& frames, const std::string& path) {
  if (frames.empty()) {
    return false;
  }
  const int32_t width = frames[0]->width();
  const int32_t height = frames[0]->height();
  // Index 0 is the transparent colour; the others are given out in order of
  // first appearance.
  std::map<uint32_t, uint8_t> palette = {{0, 0}};
  std::vector<std::vector<uint8_t>> indices;
  for (const Bitmap* frame : frames) {
    if (frame->width() != width || frame->height() != height) {
      return false;
    }
    std::vector<uint8_t>& frameIndices = indices.emplace_back();
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        const uint32_t argb = PixelAt(*frame, x, y);
        const uint32_t alpha = argb >> 24;
        if (alpha != 0 && alpha != 255) {
          return false;
        }
        const uint32_t key = alpha == 0 ? 0 : argb;
        auto [entry, added] = palette.try_emplace(key, static_cast<uint8_t>(palette.size()));
        if (added && palette.size() > 256) {
          return false;
        }
        frameIndices.push_back(entry->second);
      }
    }
  }
  std::vector<uint8_t> colours(256 * 3, 0);
  for (const auto& [argb, index] : palette) {
    colours[index * 3] = static_cast<uint8_t>(argb >> 16);
    colours[index * 3 + 1] = static_cast<uint8_t>(argb >> 8);
    colours[index * 3 + 2] = static_cast<uint8_t>(argb);
  }

  std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
  Put16(out, static_cast<uint32_t>(width));
  Put16(out, static_cast<uint32_t>(height));
  out.insert(out.end(), {0xF7, 0, 0});  // 256-colour global table follows
  out.insert(out.end(), colours.begin(), colours.end());
  for (const std::vector<uint8_t>& frame : indices) {
    // Graphic control: index 0 transparent, 0.1 s delay.
    out.insert(out.end(), {0x21, 0xF9, 4, 0x05, 10, 0, 0, 0});
    out.push_back(0x2C);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<uint32_t>(width));
    Put16(out, static_cast<uint32_t>(height));
    out.push_back(0);
    AppendGifImageData(out, frame);
  }
  out.push_back(0x3B);
  WriteBytes(path, out);
  return true;
}

std::vector<uint8_t> EncodePng(const Bitmap& picture) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  View(picture).save(&buffer, "png");
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace zelmor::testing
