// HEIF (HEVC) pictures with libheif, which also applies the irot and imir
// boxes. An HEIF file's EXIF orientation only repeats what those boxes say,
// so it is not applied again.
#include "platform/heif_decoder.h"

#include <libheif/heif.h>

#include <memory>
#include <optional>

#include "platform/iso_brands.h"
#include "platform/shared_library.h"

namespace zelmor {
namespace {

// libheif is opened on first use (shared_library.h says why); these are all
// the functions this file calls.
#define ZELMOR_HEIF_FUNCTIONS(X)                           \
  X(library, heif_context_alloc)                           \
  X(library, heif_context_free)                            \
  X(library, heif_context_set_maximum_image_size_limit)    \
  X(library, heif_context_read_from_memory_without_copy)   \
  X(library, heif_context_get_primary_image_handle)        \
  X(library, heif_image_handle_release)                    \
  X(library, heif_image_handle_get_width)                  \
  X(library, heif_image_handle_get_height)                 \
  X(library, heif_image_handle_get_luma_bits_per_pixel)    \
  X(library, heif_image_handle_get_color_profile_type)     \
  X(library, heif_image_handle_get_raw_color_profile_size) \
  X(library, heif_image_handle_get_raw_color_profile)      \
  X(library, heif_image_handle_get_nclx_color_profile)     \
  X(library, heif_nclx_color_profile_free)                 \
  X(library, heif_decoding_options_alloc)                  \
  X(library, heif_decoding_options_free)                   \
  X(library, heif_decode_image)                            \
  X(library, heif_image_release)                           \
  X(library, heif_image_get_width)                         \
  X(library, heif_image_get_height)                        \
  X(library, heif_image_get_bits_per_pixel_range)          \
  X(library, heif_image_get_plane_readonly)                \
  X(library, heif_image_is_premultiplied_alpha)

struct HeifFunctions {
  ZELMOR_HEIF_FUNCTIONS(ZELMOR_FUNCTION_POINTER)
};

// Nothing when libheif or one of its functions is missing: every HEIF file
// then fails as one that does not decode.
const HeifFunctions* Heif() {
  static const std::optional<HeifFunctions> functions = []() -> std::optional<HeifFunctions> {
    const SharedLibrary library(ZELMOR_LIBHEIF_SONAME);
    HeifFunctions table;
    if (library.IsOpen() ZELMOR_HEIF_FUNCTIONS(ZELMOR_RESOLVE_FUNCTION)) {
      return table;
    }
    return std::nullopt;
  }();
  return functions ? &*functions : nullptr;
}

// Only objects libheif made are deleted, so it is loaded by then.
struct HeifDeleter {
  void operator()(heif_context* p) const { Heif()->heif_context_free(p); }
  void operator()(heif_image_handle* p) const { Heif()->heif_image_handle_release(p); }
  void operator()(heif_image* p) const { Heif()->heif_image_release(p); }
  void operator()(heif_decoding_options* p) const { Heif()->heif_decoding_options_free(p); }
  void operator()(heif_color_profile_nclx* p) const { Heif()->heif_nclx_color_profile_free(p); }
};
template <typename T>
using HeifPtr = std::unique_ptr<T, HeifDeleter>;

// A straight-alpha pixel from premultiplied samples, rounded.
void Unpremultiply(uint8_t* p) {
  const uint32_t alpha = p[3];
  if (alpha == 0 || alpha == 255) {
    return;
  }
  for (int i = 0; i < 3; ++i) {
    p[i] = static_cast<uint8_t>(std::min<uint32_t>(255, (p[i] * 255u + alpha / 2) / alpha));
  }
}

PictureColour ColourOf(const HeifFunctions& heif, const heif_image_handle* handle) {
  PictureColour colour;
  const heif_color_profile_type type = heif.heif_image_handle_get_color_profile_type(handle);
  if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
    const std::size_t size = heif.heif_image_handle_get_raw_color_profile_size(handle);
    if (size > 0) {
      colour.iccProfile.resize(size);
      if (heif.heif_image_handle_get_raw_color_profile(handle, colour.iccProfile.data()).code !=
          heif_error_Ok) {
        colour.iccProfile.clear();
      }
    }
  }
  heif_color_profile_nclx* raw = nullptr;
  if (colour.iccProfile.empty() &&
      heif.heif_image_handle_get_nclx_color_profile(handle, &raw).code == heif_error_Ok) {
    const HeifPtr<heif_color_profile_nclx> nclx(raw);
    colour.cicp = CicpColour{static_cast<uint16_t>(nclx->color_primaries),
                             static_cast<uint16_t>(nclx->transfer_characteristics)};
  }
  return colour;
}

}  // namespace

bool IsHeifFile(std::span<const uint8_t> file) {
  static constexpr const char* kBrands[] = {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1"};
  if (HasFtypBrand(file, "avif") || HasFtypBrand(file, "avis")) {
    return false;
  }
  for (const char* brand : kBrands) {
    if (HasFtypBrand(file, brand)) {
      return true;
    }
  }
  return false;
}

std::optional<DecodedPicture> DecodeHeif(std::span<const uint8_t> file) {
  const HeifFunctions* loaded = Heif();
  if (loaded == nullptr) {
    return std::nullopt;
  }
  const HeifFunctions& heif = *loaded;
  const HeifPtr<heif_context> context(heif.heif_context_alloc());
  if (!context) {
    return std::nullopt;
  }
  heif.heif_context_set_maximum_image_size_limit(context.get(), 16384);
  if (heif.heif_context_read_from_memory_without_copy(context.get(), file.data(), file.size(),
                                                      nullptr)
          .code != heif_error_Ok) {
    return std::nullopt;
  }
  heif_image_handle* rawHandle = nullptr;
  if (heif.heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok) {
    return std::nullopt;
  }
  const HeifPtr<heif_image_handle> handle(rawHandle);
  // Rotation keeps the pixel count, so the stored sides decide the limit.
  if (!FitsDecodeLimit(
          static_cast<uint64_t>(std::max(0, heif.heif_image_handle_get_width(rawHandle))),
          static_cast<uint64_t>(std::max(0, heif.heif_image_handle_get_height(rawHandle))))) {
    return std::nullopt;
  }
  const int storedBits = heif.heif_image_handle_get_luma_bits_per_pixel(rawHandle);
  const bool deep = storedBits > 8;
  const HeifPtr<heif_decoding_options> options(heif.heif_decoding_options_alloc());
  if (!options) {
    return std::nullopt;
  }
  options->ignore_transformations = 0;
  options->convert_hdr_to_8bit = 0;  // rounded here instead
  heif_image* rawImage = nullptr;
  const heif_chroma chroma =
      deep ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RGBA;
  if (heif.heif_decode_image(rawHandle, &rawImage, heif_colorspace_RGB, chroma, options.get())
          .code != heif_error_Ok) {
    return std::nullopt;
  }
  const HeifPtr<heif_image> image(rawImage);
  const int width = heif.heif_image_get_width(rawImage, heif_channel_interleaved);
  const int height = heif.heif_image_get_height(rawImage, heif_channel_interleaved);
  const int bits = heif.heif_image_get_bits_per_pixel_range(rawImage, heif_channel_interleaved);
  int stride = 0;
  const uint8_t* samples =
      heif.heif_image_get_plane_readonly(rawImage, heif_channel_interleaved, &stride);
  if (samples == nullptr ||
      !FitsDecodeLimit(static_cast<uint64_t>(std::max(0, width)),
                       static_cast<uint64_t>(std::max(0, height))) ||
      (deep ? bits <= 8 || bits > 16 : bits != 8) ||
      stride < static_cast<int64_t>(width) * (deep ? 8 : 4)) {
    return std::nullopt;
  }
  const bool premultiplied = heif.heif_image_is_premultiplied_alpha(rawImage) != 0;
  DecodedPicture out{Bitmap(width, height), ColourOf(heif, rawHandle), std::nullopt};
  for (int y = 0; y < height; ++y) {
    const uint8_t* from = samples + static_cast<std::ptrdiff_t>(y) * stride;
    uint8_t* to = out.pixels.row(y);
    for (int x = 0; x < width; ++x, to += 4) {
      uint8_t rgba[4];
      for (int c = 0; c < 4; ++c) {
        rgba[c] = deep ? RoundSampleToEightBits(from[0] | from[1] << 8, bits) : from[0];
        from += deep ? 2 : 1;
      }
      to[0] = rgba[2];
      to[1] = rgba[1];
      to[2] = rgba[0];
      to[3] = rgba[3];
      if (premultiplied) {
        Unpremultiply(to);
      }
    }
  }
  return out;
}

}  // namespace zelmor
