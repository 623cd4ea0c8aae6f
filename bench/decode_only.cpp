// The baseline of the whole-process benchmarks: a Qt program that decodes a
// picture with Qt's own reader into 32-bit ARGB, as an application that
// leaves decoding to Qt would, and does nothing else. Qt's allocation limit is
// lifted, so that any size decodes that memory allows.
//   decode_only PICTURE          decode it
//   decode_only --make PATH N    write an N x N RGBA test picture as PNG
//   decode_only --jpeg PATH N    the same picture, opaque, as JPEG of quality 90
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>


namespace {

// Smooth gradients with a soft alpha edge and a little deterministic grain,
// so the PNG compresses like a real picture rather than like noise or a flat fill.
QImage MakePicture(int n) {
  QImage image(n, n, QImage::Format_ARGB32);
  uint32_t grain = 12345;
  for (int y = 0; y < n; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
    for (int x = 0; x < n; ++x) {
      grain = grain * 1664525u + 1013904223u;
      const int noise = static_cast<int>(grain >> 29);
      const int r = (x * 255 / n + noise) & 0xFF;
      const int g = (y * 255 / n + noise) & 0xFF;
      const int b = ((x + y) * 127 / n) & 0xFF;
      const int dx = x - n / 2, dy = y - n / 2;
      const long long d2 = static_cast<long long>(dx) * dx + static_cast<long long>(dy) * dy;
      const long long r2 = static_cast<long long>(n / 2) * (n / 2);
      const int a = d2 < r2 * 8 / 10 ? 255 : d2 < r2 ? 128 : 0;
      row[x] = static_cast<uint32_t>(a) << 24 | r << 16 | g << 8 | b;
    }
  }
  return image;
}

}  // namespace

int main(int argc, char* argv[]) {
  const QCoreApplication app(argc, argv);
  if (argc == 4 && std::strcmp(argv[1], "--make") == 0) {
    return MakePicture(std::atoi(argv[3])).save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
  }
  if (argc == 4 && std::strcmp(argv[1], "--jpeg") == 0) {
    return MakePicture(std::atoi(argv[3]))
                   .convertToFormat(QImage::Format_RGB32)
                   .save(QString::fromLocal8Bit(argv[2]), "JPEG", 90)
               ? 0
               : 1;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: decode_only PICTURE | decode_only --make|--jpeg PATH N\n");
    return 2;
  }
  QImageReader::setAllocationLimit(0);
  QImageReader reader(QString::fromLocal8Bit(argv[1]));
  const QImage picture = reader.read().convertToFormat(QImage::Format_ARGB32);
  return picture.isNull() ? 1 : 0;
}
