#include "platform/raster_picture.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <utility>

#include "platform/colour_profile.h"
#include "platform/decoded_picture.h"
#include "platform/exif_orientation.h"
#include "platform/files.h"
#include "platform/imaging.h"
#include "platform/jpeg_scaled.h"
#include "platform/mapped_file.h"
#include "platform/picture_metadata.h"
#include "platform/png_outline.h"
#include "platform/png_rows.h"
#include "platform/row_prefetch.h"

namespace zelmor {
namespace {

// Below this many pixels a second thread costs more than it saves.
constexpr int64_t kPrefetchPixels = int64_t{256} * 256;

bool HasPngSignature(std::span<const uint8_t> bytes) {
  static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  return bytes.size() >= 8 && std::equal(kSignature, kSignature + 8, bytes.begin());
}

// TGA has no signature and is recognised by its name before any other
// format, so such a name keeps the whole-picture path.
bool HasTgaName(const std::string& path) {
  const std::size_t dot = path.find_last_of("./\\");
  if (dot == std::string::npos || path[dot] != '.') {
    return false;
  }
  std::string suffix = path.substr(dot + 1);
  std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return suffix == "tga" || suffix == "icb" || suffix == "vda" || suffix == "vst";
}

bool SaysSomething(const PictureColour& colour) {
  return !colour.iccProfile.empty() || colour.png || colour.cicp;
}

// Reads a file through a buffer, so that the small reads of a decoder do not
// each cost a system call. A read error counts as data that ends.
PngRowReader::ReadBytes BufferedReads(InputFile& file) {
  struct Buffer {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(std::size_t{64} << 10);
    std::size_t at = 0;
    std::size_t end = 0;
  };
  return [&file, buffer = std::make_shared<Buffer>()](uint8_t* out, std::size_t count) {
    try {
      while (count > 0) {
        if (buffer->at == buffer->end) {
          buffer->at = 0;
          buffer->end = file.Read(buffer->bytes.data(), buffer->bytes.size());
          if (buffer->end == 0) {
            return false;
          }
        }
        const std::size_t part = std::min(count, buffer->end - buffer->at);
        std::memcpy(out, buffer->bytes.data() + buffer->at, part);
        buffer->at += part;
        out += part;
        count -= part;
      }
      return true;
    } catch (const FileError&) {
      return false;
    }
  };
}

// The rows of a streamed picture ran out or did not decode.
struct RowsFailed {};

PictureRect WholeOf(int32_t width, int32_t height) {
  return {0, 0, width, height};
}

}  // namespace

struct RasterPicture::Impl {
  enum class Kind { kDecoded, kPng, kJpeg };
  Kind kind = Kind::kDecoded;
  std::string path;
  std::shared_ptr<const MappedFile> jpeg;  // a JPEG decoded later
  PictureMetadata metadata;
  int32_t storedWidth = 0;  // of a JPEG, before its orientation
  int32_t storedHeight = 0;
  mutable std::optional<Bitmap> whole;
  mutable bool wholeFailed = false;
};

RasterPicture::RasterPicture(std::unique_ptr<Impl> impl, int32_t width, int32_t height)
    : impl_(std::move(impl)), width_(width), height_(height) {}

RasterPicture::RasterPicture(Bitmap pixels) : impl_(std::make_unique<Impl>()) {
  width_ = pixels.width();
  height_ = pixels.height();
  impl_->whole = std::move(pixels);
}

RasterPicture::RasterPicture(RasterPicture&&) noexcept = default;
RasterPicture& RasterPicture::operator=(RasterPicture&&) noexcept = default;
RasterPicture::~RasterPicture() = default;

std::optional<RasterPicture> RasterPicture::OpenPng(const std::string& path) {
  // A PNG is never mapped or read whole: its chunks other than the pixels are
  // read for what they say, and the pixels only when they are streamed.
  std::unique_ptr<InputFile> file = InputFile::Open(path);
  uint8_t signature[8];
  if (!file || HasTgaName(path)) {
    return std::nullopt;
  }
  try {
    if (file->Read(signature, 8) != 8 || !HasPngSignature(signature)) {
      return std::nullopt;
    }
    const std::optional<std::vector<uint8_t>> outline = ReadPngOutline(*file);
    if (!outline) {
      return std::nullopt;
    }
    const std::optional<PngRowReader::Sides> sides = PngRowReader::ReadSides(*outline);
    auto impl = std::make_unique<Impl>();
    impl->metadata = ReadPictureMetadata(*outline);
    // A turned PNG is rare; it is turned whole.
    if (!sides || impl->metadata.orientation != 1) {
      return std::nullopt;
    }
    impl->kind = Impl::Kind::kPng;
    impl->path = path;
    return RasterPicture(std::move(impl), sides->width, sides->height);
  } catch (const FileError&) {
    return std::nullopt;
  }
}

std::optional<RasterPicture> RasterPicture::Open(const std::string& path) {
  auto impl = std::make_unique<Impl>();
  impl->path = path;
  if (std::optional<RasterPicture> png = OpenPng(path)) {
    return png;
  }
  if (!HasTgaName(path)) {
    auto file = std::make_shared<const MappedFile>(path);
    const std::span<const uint8_t> bytes = file->bytes();
    if (const std::optional<JpegFrame> frame = ReadJpegFrame(bytes);
               frame && FitsDecodeLimit(static_cast<uint64_t>(frame->width),
                                        static_cast<uint64_t>(frame->height))) {
      // A JPEG is decoded whole when it is not much larger than the sizes, so
      // one too large to decode whole is refused as it always was.
      impl->kind = Impl::Kind::kJpeg;
      impl->metadata = ReadPictureMetadata(bytes);
      impl->storedWidth = frame->width;
      impl->storedHeight = frame->height;
      impl->jpeg = std::move(file);
      // Orientations 5 to 8 turn the picture a quarter.
      const bool turned = impl->metadata.orientation >= 5 && impl->metadata.orientation <= 8;
      return RasterPicture(std::move(impl), turned ? frame->height : frame->width,
                           turned ? frame->width : frame->height);
    }
  }
  std::optional<Bitmap> pixels = LoadPictureFile(path);
  if (!pixels) {
    return std::nullopt;
  }
  const int32_t width = pixels->width();
  const int32_t height = pixels->height();
  impl->whole = std::move(pixels);
  return RasterPicture(std::move(impl), width, height);
}

namespace {

// The whole PNG from its rows, in sRGB; nothing when they do not decode.
std::optional<Bitmap> DecodePngRows(const std::string& path, const PictureColour& colour) {
  const std::unique_ptr<InputFile> file = InputFile::Open(path);
  const std::unique_ptr<PngRowReader> reader =
      file ? PngRowReader::Open(BufferedReads(*file)) : nullptr;
  if (!reader || !FitsDecodeLimit(static_cast<uint64_t>(reader->width()),
                                  static_cast<uint64_t>(reader->height()))) {
    return std::nullopt;
  }
  Bitmap pixels(reader->width(), reader->height());
  for (int32_t y = 0; y < pixels.height(); ++y) {
    if (!reader->ReadRow(pixels.row(y))) {
      return std::nullopt;
    }
  }
  ConvertPictureColourToSrgb(pixels, colour);
  return pixels;
}

}  // namespace

const Bitmap* RasterPicture::Whole() const {
  Impl& d = *impl_;
  if (!d.whole && !d.wholeFailed) {
    // The same decoder as the rows streamed; the whole-picture decoder judges
    // a PNG whose rows do not decode.
    if (d.kind == Impl::Kind::kPng) {
      d.whole = DecodePngRows(d.path, d.metadata.colour);
    }
    if (!d.whole) {
      d.whole = LoadPictureFile(d.path);
    }
    d.wholeFailed = !d.whole;
  }
  return d.whole ? &*d.whole : nullptr;
}

namespace {

std::unique_ptr<PictureRenderer> RenderWhole(const Bitmap& picture, int32_t largestSize,
                                             const CropRule& crop) {
  const PictureRect part = crop(picture.width(), picture.height());
  return std::make_unique<PictureRenderer>(
      picture.Region(part.x, part.y, part.width, part.height), largestSize);
}

// Streams the PNG's rows into a renderer; nothing when they run out or do not
// decode.
std::unique_ptr<PictureRenderer> StreamPng(const std::string& path, const PictureColour& colour,
                                           int32_t largestSize, const PictureRect& part) {
  std::unique_ptr<InputFile> file = InputFile::Open(path);
  if (!file) {
    return nullptr;
  }
  std::unique_ptr<PngRowReader> reader = PngRowReader::Open(BufferedReads(*file));
  if (!reader) {
    return nullptr;
  }
  const int32_t width = reader->width();
  const int32_t height = reader->height();
  const auto rowBytes = static_cast<std::size_t>(width) * 4;
  const bool convert = SaysSomething(colour);
  const SrgbConversion toSrgb(colour);  // worked out once for all the rows
  PngRowReader& png = *reader;
  // The decoding thread only decodes, as far as it can: red and blue are
  // swapped by the taking thread, which has less to do, unless the colour is
  // converted, which takes them swapped.
  RowPrefetch::Producer produce = [&png, &toSrgb, convert, width, rowBytes](uint8_t* rows,
                                                                           int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
      if (!png.ReadRgbaRow(rows + rowBytes * static_cast<std::size_t>(i))) {
        return false;
      }
    }
    if (convert) {
      SwapRedAndBlue(rows, static_cast<std::size_t>(width) * static_cast<std::size_t>(count));
      Bitmap view(width, count, static_cast<int32_t>(rowBytes),
                  std::shared_ptr<uint8_t>(std::shared_ptr<uint8_t>(), rows));
      toSrgb.Apply(view);
    }
    return true;
  };

  // Rows come from a second thread for large pictures, else from this one.
  std::optional<RowPrefetch> prefetch;
  std::vector<uint8_t> single;
  std::function<uint8_t*()> next;
  if (int64_t{width} * height >= kPrefetchPixels) {
    prefetch.emplace(rowBytes, height, produce);
    next = [&prefetch] { return prefetch->Next(); };
  } else {
    single.resize(rowBytes);
    next = [&single, &produce]() -> uint8_t* {
      return produce(single.data(), 1) ? single.data() : nullptr;
    };
  }

  int32_t taken = 0;
  const auto take = [&]() {
    uint8_t* row = next();
    if (row == nullptr) {
      throw RowsFailed{};
    }
    ++taken;
    return row;
  };
  const auto upright = [&](uint8_t* row) -> const uint8_t* {
    if (!convert) {
      SwapRedAndBlue(row, static_cast<std::size_t>(width));
    }
    return row;
  };
  std::unique_ptr<PictureRenderer> renderer;
  try {
    renderer = std::make_unique<PictureRenderer>(
        part.width, part.height,
        [&](int32_t y) {
          while (taken < part.y + y) {
            take();
          }
          return upright(take()) + static_cast<std::size_t>(part.x) * 4;
        },
        largestSize);
    // The rows past the part are decoded too: a picture whose data is damaged
    // there is as damaged as anywhere.
    while (taken < height) {
      take();
    }
  } catch (const RowsFailed&) {
    return nullptr;
  }
  return renderer;
}

// The smallest scale of 1/2, 1/4 and 1/8 that keeps both sides at least
// twice `largestSize`; 1 when even 1/2 does not.
int JpegDenominator(int32_t width, int32_t height, int32_t largestSize) {
  const int64_t least = 2 * int64_t{largestSize};
  for (const int denominator : {8, 4, 2}) {
    if ((width + denominator - 1) / denominator >= least &&
        (height + denominator - 1) / denominator >= least) {
      return denominator;
    }
  }
  return 1;
}

}  // namespace

std::unique_ptr<PictureRenderer> RasterPicture::Renderer(int32_t largestSize,
                                                         const CropRule& crop) const {
  const Impl& d = *impl_;
  const CropRule& rule = crop ? crop : CropRule(WholeOf);
  if (!d.whole && !d.wholeFailed) {
    if (d.kind == Impl::Kind::kPng) {
      if (auto renderer =
              StreamPng(d.path, d.metadata.colour, largestSize, rule(width_, height_))) {
        return renderer;
      }
    } else if (d.kind == Impl::Kind::kJpeg) {
      const int denominator = JpegDenominator(d.storedWidth, d.storedHeight, largestSize);
      if (denominator > 1) {
        if (std::optional<Bitmap> pixels = DecodeJpegScaled(d.jpeg->bytes(), denominator)) {
          Bitmap upright = ApplyExifOrientation(std::move(*pixels), d.metadata.orientation);
          ConvertPictureColourToSrgb(upright, d.metadata.colour);
          return RenderWhole(upright, largestSize, rule);
        }
      }
    }
  }
  // Decoded whole, as it always was, or left to the whole decoder to judge.
  const Bitmap* picture = Whole();
  return picture ? RenderWhole(*picture, largestSize, rule) : nullptr;
}

}  // namespace zelmor
