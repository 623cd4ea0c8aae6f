#include "tests/overlay/png_fixtures.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageWriter>
#include <stdexcept>

namespace zelmor::testing {

std::vector<uint8_t> EncodePng(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  if (!writer.write(image)) {
    throw std::runtime_error("cannot write PNG: " + writer.errorString().toStdString());
  }
  return {bytes.begin(), bytes.end()};
}

std::vector<uint8_t> BlackMonoPng(int width, int height) {
  QImage image(width, height, QImage::Format_Mono);
  if (image.isNull()) {
    throw std::runtime_error("cannot make the 1-bit picture");
  }
  image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  image.fill(0);
  return EncodePng(image);
}

}  // namespace zelmor::testing
