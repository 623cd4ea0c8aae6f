// AVIF pictures with libavif, the AV1 image library the format's authors keep.
// libavif reports the irot and imir boxes but leaves them to the caller.
#include "platform/avif_decoder.h"

#include <avif/avif.h>

#include <memory>
#include <optional>

#include "platform/exif_orientation.h"
#include "platform/iso_brands.h"
#include "platform/shared_library.h"

namespace zelmor {
namespace {

// libavif is opened on first use (shared_library.h says why); these are all the
// functions this file calls.
#define ZELMOR_AVIF_FUNCTIONS(X)      \
  X(library, avifDecoderDestroy)      \
  X(library, avifDecoderCreate)       \
  X(library, avifDecoderSetIOMemory)  \
  X(library, avifDecoderParse)        \
  X(library, avifDecoderNextImage)    \
  X(library, avifRGBImageSetDefaults) \
  X(library, avifImageYUVToRGB)

struct AvifFunctions {
  ZELMOR_AVIF_FUNCTIONS(ZELMOR_FUNCTION_POINTER)
};

// Nothing when libavif or one of its functions is missing.
const AvifFunctions* Avif() {
  static const std::optional<AvifFunctions> functions = []() -> std::optional<AvifFunctions> {
    const SharedLibrary library(ZELMOR_LIBAVIF_SONAME);
    AvifFunctions table;
    if (library.IsOpen() ZELMOR_AVIF_FUNCTIONS(ZELMOR_RESOLVE_FUNCTION)) {
      return table;
    }
    return std::nullopt;
  }();
  return functions ? &*functions : nullptr;
}

struct AvifDeleter {
  // Only a decoder libavif made is destroyed, so it is loaded by then.
  void operator()(avifDecoder* p) const { Avif()->avifDecoderDestroy(p); }
};

// The boxes apply in file order, rotation before mirroring (MIAF requires
// that order); each is one EXIF orientation step.
Bitmap ApplyRotationAndMirror(Bitmap picture, const avifImage& image) {
  if (image.transformFlags & AVIF_TRANSFORM_IROT) {
    // irot turns anticlockwise by angle x 90 degrees.
    static constexpr int kByAngle[4] = {1, 8, 3, 6};
    picture = ApplyExifOrientation(std::move(picture), kByAngle[image.irot.angle & 3]);
  }
  if (image.transformFlags & AVIF_TRANSFORM_IMIR) {
    // mode 0 exchanges top and bottom, mode 1 left and right.
    picture = ApplyExifOrientation(std::move(picture), image.imir.mode == 0 ? 4 : 2);
  }
  return picture;
}

}  // namespace

bool IsAvifFile(std::span<const uint8_t> file) {
  return HasFtypBrand(file, "avif") || HasFtypBrand(file, "avis");
}

std::optional<DecodedPicture> DecodeAvif(std::span<const uint8_t> file) {
  const AvifFunctions* loaded = Avif();
  if (loaded == nullptr) {
    return std::nullopt;  // as for a file that does not decode
  }
  const AvifFunctions& avif = *loaded;
  const std::unique_ptr<avifDecoder, AvifDeleter> decoder(avif.avifDecoderCreate());
  if (!decoder) {
    return std::nullopt;
  }
  decoder->maxThreads = 1;
  decoder->imageSizeLimit = static_cast<uint32_t>(kMaxBitmapBytes / 4);
  decoder->imageDimensionLimit = 1u << 16;
  decoder->ignoreExif = AVIF_TRUE;
  decoder->ignoreXMP = AVIF_TRUE;
  // Browsers read files that bend the container rules (a missing pixi box,
  // say); so does this.
  decoder->strictFlags = AVIF_STRICT_DISABLED;
  if (avif.avifDecoderSetIOMemory(decoder.get(), file.data(), file.size()) != AVIF_RESULT_OK ||
      avif.avifDecoderParse(decoder.get()) != AVIF_RESULT_OK) {
    return std::nullopt;
  }
  const avifImage& parsed = *decoder->image;
  if (!FitsDecodeLimit(parsed.width, parsed.height)) {
    return std::nullopt;
  }
  if (avif.avifDecoderNextImage(decoder.get()) != AVIF_RESULT_OK) {
    return std::nullopt;
  }
  const avifImage& image = *decoder->image;
  if (!FitsDecodeLimit(image.width, image.height) || image.depth < 8 || image.depth > 16) {
    return std::nullopt;
  }
  const bool deep = image.depth > 8;
  avifRGBImage rgb;
  avif.avifRGBImageSetDefaults(&rgb, decoder->image);
  rgb.format = AVIF_RGB_FORMAT_BGRA;
  rgb.depth = image.depth;  // deeper samples are rounded below, not by libavif
  // libyuv's SIMD paths may differ from machine to machine; libavif's own
  // conversion gives the same bytes everywhere.
  rgb.avoidLibYUV = AVIF_TRUE;
  rgb.alphaPremultiplied = AVIF_FALSE;
  DecodedPicture out{Bitmap(static_cast<int32_t>(image.width), static_cast<int32_t>(image.height)),
                     {},
                     std::nullopt};
  std::unique_ptr<uint16_t[]> wide;
  if (deep) {
    const std::size_t samples = std::size_t{image.width} * image.height * 4;
    wide.reset(new uint16_t[samples]());
    rgb.pixels = reinterpret_cast<uint8_t*>(wide.get());
    rgb.rowBytes = image.width * 8;
  } else {
    rgb.pixels = out.pixels.data();
    rgb.rowBytes = static_cast<uint32_t>(out.pixels.stride());
  }
  if (avif.avifImageYUVToRGB(&image, &rgb) != AVIF_RESULT_OK) {
    return std::nullopt;
  }
  if (deep) {
    const int bits = static_cast<int>(image.depth);
    for (uint32_t y = 0; y < image.height; ++y) {
      const uint16_t* from = wide.get() + std::size_t{y} * image.width * 4;
      uint8_t* to = out.pixels.row(static_cast<int32_t>(y));
      for (uint32_t i = 0; i < image.width * 4; ++i) {
        to[i] = RoundSampleToEightBits(from[i], bits);
      }
    }
  }
  if (image.icc.size > 0 && image.icc.size <= (std::size_t{16} << 20)) {
    out.colour.iccProfile.assign(image.icc.data, image.icc.data + image.icc.size);
  } else {
    out.colour.cicp = CicpColour{static_cast<uint16_t>(image.colorPrimaries),
                                 static_cast<uint16_t>(image.transferCharacteristics)};
  }
  out.pixels = ApplyRotationAndMirror(std::move(out.pixels), image);
  return out;
}

}  // namespace zelmor
