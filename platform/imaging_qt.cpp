// Picture decoding: BMP and TGA by decoders of our own, the rest by QtGui's
// image readers and plugins, with a GIF's screen cleared outside its first
// frame. Every picture Qt decodes ends as QImage::Format_ARGB32, which on a
// little-endian machine is byte for byte the Bitmap layout (blue, green, red,
// alpha, straight alpha), so the Bitmap borrows the QImage's memory instead
// of copying it.
#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QString>
#include <memory>
#include <new>
#include <span>
#include <utility>

#include "platform/avif_decoder.h"
#include "platform/bmp_decoder.h"
#include "platform/colour_profile.h"
#include "platform/exif_orientation.h"
#include "platform/format_hint.h"
#include "platform/gif_frame.h"
#include "platform/heif_decoder.h"
#include "platform/imaging.h"
#include "platform/jxl_decoder.h"
#include "platform/mapped_file.h"
#include "platform/picture_metadata.h"
#include "platform/tga_decoder.h"

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

// TGA has no signature; as Qt does, the name says which files to try as TGA.
bool HasTgaName(const QString& name) {
  const QString suffix = QFileInfo(name).suffix().toLower();
  return suffix == "tga" || suffix == "icb" || suffix == "vda" || suffix == "vst";
}

// The pixels of a picture decoded by one of our own decoders or libraries,
// in sRGB.
std::optional<Bitmap> InSrgb(std::optional<DecodedPicture> picture) {
  if (!picture) {
    return std::nullopt;
  }
  ConvertPictureColourToSrgb(picture->pixels, picture->colour);
  return std::move(picture->pixels);
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

// Every picture ends upright and in sRGB, both before any scaling. BMP by
// its signature and TGA by its name and header go to decoders of our own
// (bmp_decoder.cpp and tga_decoder.cpp say why); HEIF, AVIF and JPEG XL to
// their libraries, which hand them out upright; the rest to Qt.
std::optional<Bitmap> DecodeFile(const QString& name) {
  const MappedFile mapped(name.toStdString());
  const std::span<const uint8_t> bytes = mapped.bytes();
  if (HasBmpSignature(bytes.data(), bytes.size())) {
    return InSrgb(DecodeBmp(bytes.data(), bytes.size()));
  }
  if (HasTgaName(name) && HasTgaHeader(bytes.data(), bytes.size())) {
    return DecodeTga(bytes.data(), bytes.size());
  }
  if (auto decoded = DecodeWithOwnLibrary(bytes)) {
    return InSrgb(std::move(*decoded));
  }
  // Qt looks at the content first; the extension only decides for formats
  // without a signature. A format the signature names goes straight to its
  // reader, which spares loading every plugin to find out (format_hint.h).
  const std::string_view format = FormatBySignature(bytes);
  QImageReader reader(name, QByteArray(format.data(), static_cast<qsizetype>(format.size())));
  reader.setAutoDetectImageFormat(format.empty());
  const bool gif = format == "gif";
  std::optional<Bitmap> picture = Decode(reader);
  if (!picture) {
    return std::nullopt;
  }
  // Qt paints the screen outside a GIF's first frame in the background
  // colour; browsers leave it clear.
  if (gif) {
    if (const std::optional<GifRegion> frame = FirstGifFrame(bytes.data(), bytes.size())) {
      ClearOutside(*frame, *picture);
    }
  }
  const PictureMetadata metadata = ReadPictureMetadata(bytes);
  picture = ApplyExifOrientation(std::move(*picture), metadata.orientation);
  ConvertPictureColourToSrgb(*picture, metadata.colour);
  return picture;
}

}  // namespace

ImagingSession::ImagingSession() {
  // Sessions of a batch run on several threads at once, and Qt keeps the limit
  // in a plain static: it is written once, then only read.
  static const bool limit_set = [] {
    QImageReader::setAllocationLimit(kAllocationLimitMiB);
    return true;
  }();
  static_cast<void>(limit_set);
}

ImagingSession::~ImagingSession() = default;

std::optional<Bitmap> LoadPictureFile(const std::string& path) {
  const QString name = QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
  if (!QFileInfo(name).isFile()) {
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
