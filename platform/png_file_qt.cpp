// PNG writing through QtGui's PNG writer (libpng underneath), into memory and
// then through OutputFile, so that a failed write leaves no partial file.
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <memory>

#include "platform/files.h"
#include "platform/png_file.h"

namespace zelmor {

bool WritePngFile(const Bitmap& picture, const std::string& path) {
  if (picture.empty()) {
    return false;
  }
  // Format_ARGB32 is the Bitmap's byte order; the QImage only borrows the pixels.
  const QImage image(picture.data(), picture.width(), picture.height(), picture.stride(),
                     QImage::Format_ARGB32);
  QByteArray encoded;
  QBuffer buffer(&encoded);
  if (!buffer.open(QIODevice::WriteOnly)) {
    return false;
  }
  QImageWriter writer(&buffer, "png");
  if (!writer.write(image)) {
    return false;
  }
  std::unique_ptr<OutputFile> file = OutputFile::Create(path);
  if (!file) {
    return false;
  }
  file->Write(reinterpret_cast<const uint8_t*>(encoded.constData()),
              static_cast<std::size_t>(encoded.size()));
  file->Commit();
  return true;
}

}  // namespace zelmor
