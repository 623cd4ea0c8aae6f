// Picture decoding on top of QtGui's image readers and plugins. Every decoded
// picture ends as QImage::Format_ARGB32, which on a little-endian machine is
// byte for byte the Bitmap layout (blue, green, red, alpha, straight alpha), so
// the Bitmap borrows the QImage's memory instead of copying it.
#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QString>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>
#include <span>
#include <utility>

#include "platform/avif_decoder.h"
#include "platform/colour_profile.h"
#include "platform/exif_orientation.h"
#include "platform/heif_decoder.h"
#include "platform/imaging.h"
#include "platform/jxl_decoder.h"
#include "platform/picture_metadata.h"

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN,
              "Format_ARGB32 is blue, green, red, alpha in memory only on little-endian machines");

namespace zelmor {
namespace {

// Qt's limit is in MiB; it is what stops a decoder whose announced size was
// not known up front from allocating more than a picture may have.
constexpr int kAllocationLimitMiB = static_cast<int>(kMaxDecodedImageBytes >> 20);

bool FitsLimit(int64_t width, int64_t height) {
  return width > 0 && height > 0 &&
         static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4 <= kMaxDecodedImageBytes;
}

// Qt's BMP reader writes only the pixels a run-length picture codes and
// leaves the rest as the heap had them. Handed a picture of the size and
// format it will produce, it writes into that one instead; this one is all
// palette index 0, and calloc gives it without touching the pages of a
// picture that codes little. Nothing when the memory cannot be had.
QImage ClearedIndexedPicture(QSize size) {
  const qsizetype rowBytes = (static_cast<qsizetype>(size.width()) + 3) / 4 * 4;
  void* pixels = std::calloc(static_cast<std::size_t>(rowBytes) * size.height(), 1);
  if (pixels == nullptr) {
    return QImage();
  }
  return QImage(
      static_cast<uchar*>(pixels), size.width(), size.height(), rowBytes, QImage::Format_Indexed8,
      [](void* memory) { std::free(memory); }, pixels);
}

std::optional<Bitmap> Decode(QImageReader& reader) {
  // Pictures are taken as stored: no rotation by an orientation tag.
  reader.setAutoTransform(false);
  // Refuse before any pixel memory is taken when the header already says the
  // picture is too large; not every reader announces its size.
  const QSize announced = reader.size();
  if (announced.isValid() && !FitsLimit(announced.width(), announced.height())) {
    return std::nullopt;
  }
  QImage image;
  if (reader.format() == "bmp" && reader.imageFormat() == QImage::Format_Indexed8 &&
      announced.isValid()) {
    image = ClearedIndexedPicture(announced);
  }
  if (!reader.read(&image) || image.isNull()) {
    return std::nullopt;
  }
  // A paletted or grey picture is smaller than its 32-bit form.
  if (!FitsLimit(image.width(), image.height())) {
    return std::nullopt;
  }
  if (image.format() != QImage::Format_ARGB32) {
    // Formats of the same depth (RGB32, premultiplied ARGB32) convert in place.
    image = std::move(image).convertToFormat(QImage::Format_ARGB32);
    if (image.isNull()) {
      return std::nullopt;
    }
  }
  const int32_t width = image.width();
  const int32_t height = image.height();
  const int32_t stride = static_cast<int32_t>(image.bytesPerLine());
  auto owner = std::make_shared<QImage>(std::move(image));
  // The only reference, so bits() does not copy.
  std::shared_ptr<uint8_t> pixels(owner, owner->bits());
  return Bitmap(width, height, stride, std::move(pixels));
}

// Qt's BMP reader stops at the end of a short file and returns the picture
// with the rows it never read left as they were in memory: the output would
// differ from run to run. An uncompressed BMP whose pixel array does not fit
// in the file is therefore refused up front.
bool IsShortBmp(const QString& name) {
  QFile file(name);
  if (!file.open(QIODevice::ReadOnly)) {
    return false;
  }
  const QByteArray head = file.read(34);
  if (head.size() < 26 || head[0] != 'B' || head[1] != 'M') {
    return false;
  }
  const auto byte = [&head](int at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(head[at]));
  };
  const auto u16 = [&byte](int at) { return byte(at) | byte(at + 1) << 8; };
  const auto u32 = [&u16](int at) { return u16(at) | u16(at + 2) << 16; };
  const uint32_t headerSize = u32(14);
  int64_t width = 0;
  int64_t height = 0;
  uint32_t bitCount = 0;
  if (headerSize == 12) {  // OS/2 core header
    width = u16(18);
    height = u16(20);
    bitCount = u16(24);
  } else if (headerSize >= 40 && head.size() >= 34) {
    width = static_cast<int32_t>(u32(18));
    height = static_cast<int32_t>(u32(22));
    bitCount = u16(28);
    const uint32_t compression = u32(30);
    if (compression != 0 && compression != 3 && compression != 6) {
      return false;  // run-length and embedded pictures have no fixed length
    }
  } else {
    return false;
  }
  const uint64_t rowBytes = (static_cast<uint64_t>(std::abs(width)) * bitCount + 31) / 32 * 4;
  const uint64_t rows = static_cast<uint64_t>(std::abs(height));
  const uint64_t pixelsAt = std::max<uint64_t>(u32(10), 14 + uint64_t{headerSize});
  const uint64_t fileSize = static_cast<uint64_t>(file.size());
  // Compared by division so that no product can overflow.
  return fileSize < pixelsAt || (rows != 0 && (fileSize - pixelsAt) / rows < rowBytes);
}

// HEIF, AVIF and JPEG XL have no Qt reader here; their own libraries decode
// them, already upright. Nothing for a file of another format.
std::optional<std::optional<DecodedPicture>> DecodeWithOwnLibrary(std::span<const uint8_t> file) {
  if (IsHeifFile(file)) {
    return DecodeHeif(file);
  }
  if (IsAvifFile(file)) {
    return DecodeAvif(file);
  }
  if (IsJxlFile(file)) {
    return DecodeJxl(file);
  }
  return std::nullopt;
}

std::optional<Bitmap> DecodeFile(const QString& name) {
  // Mapped, not read: the metadata blocks are a few bytes of what may be a
  // large file, and the pages not looked at are never loaded.
  QFile file(name);
  std::span<const uint8_t> bytes;
  if (file.open(QIODevice::ReadOnly) && file.size() > 0) {
    if (const uchar* mapped = file.map(0, file.size())) {
      bytes = {mapped, static_cast<std::size_t>(file.size())};
    }
  }
  if (auto decoded = DecodeWithOwnLibrary(bytes)) {
    if (!*decoded) {
      return std::nullopt;
    }
    ConvertPictureColourToSrgb((*decoded)->pixels, (*decoded)->colour);
    return std::move((*decoded)->pixels);
  }
  // Qt looks at the content first; the extension only decides for formats
  // without a signature (TGA).
  QImageReader reader(name);
  std::optional<Bitmap> picture = Decode(reader);
  if (!picture) {
    return std::nullopt;
  }
  // Upright first, then in sRGB, both before any scaling.
  const PictureMetadata metadata = ReadPictureMetadata(bytes);
  picture = ApplyExifOrientation(std::move(*picture), metadata.orientation);
  ConvertPictureColourToSrgb(*picture, metadata.colour);
  return picture;
}

}  // namespace

ImagingSession::ImagingSession() {
  QImageReader::setAllocationLimit(kAllocationLimitMiB);
}

ImagingSession::~ImagingSession() = default;

std::optional<Bitmap> LoadPictureFile(const std::string& path) {
  const QString name = QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
  if (!QFileInfo(name).isFile()) {
    return std::nullopt;
  }
  if (IsShortBmp(name)) {
    return std::nullopt;
  }
  try {
    return DecodeFile(name);
  } catch (const std::bad_alloc&) {
    return std::nullopt;  // no memory for a turned or decoded copy
  }
}

std::optional<Bitmap> DecodePngBytes(const uint8_t* data, std::size_t size) {
  if (data == nullptr || size == 0) {
    return std::nullopt;
  }
  // Read in place: fromRawData does not copy.
  QByteArray bytes =
      QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::ReadOnly)) {
    return std::nullopt;
  }
  // Named and not guessed: with detection on, Qt would load every image
  // plugin to ask whether it reads these bytes, which costs more than
  // decoding a small icon entry.
  QImageReader reader(&buffer, "png");
  reader.setAutoDetectImageFormat(false);
  return Decode(reader);
}

}  // namespace zelmor
