// JPEG XL pictures with libjxl, the format's reference library, run on one
// thread so that nothing depends on scheduling. libjxl turns the picture
// upright itself.
#include "platform/jxl_decoder.h"

#include <jxl/decode.h>

#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "platform/shared_library.h"

namespace zelmor {
namespace {

// libjxl is opened on first use (shared_library.h says why); these are all the
// functions this file calls.
#define ZELMOR_JXL_FUNCTIONS(X)                  \
  X(library, JxlDecoderDestroy)                  \
  X(library, JxlDecoderGetColorAsEncodedProfile) \
  X(library, JxlDecoderGetICCProfileSize)        \
  X(library, JxlDecoderGetColorAsICCProfile)     \
  X(library, JxlDecoderCreate)                   \
  X(library, JxlDecoderSubscribeEvents)          \
  X(library, JxlDecoderSetUnpremultiplyAlpha)    \
  X(library, JxlDecoderSetInput)                 \
  X(library, JxlDecoderCloseInput)               \
  X(library, JxlDecoderProcessInput)             \
  X(library, JxlDecoderGetBasicInfo)             \
  X(library, JxlDecoderSetPreferredColorProfile) \
  X(library, JxlDecoderImageOutBufferSize)       \
  X(library, JxlDecoderSetImageOutBuffer)

struct JxlFunctions {
  ZELMOR_JXL_FUNCTIONS(ZELMOR_FUNCTION_POINTER)
};

// Nothing when libjxl or one of its functions is missing.
const JxlFunctions* Jxl() {
  static const std::optional<JxlFunctions> functions = []() -> std::optional<JxlFunctions> {
    const SharedLibrary library(ZELMOR_LIBJXL_SONAME);
    JxlFunctions table;
    if (library.IsOpen() ZELMOR_JXL_FUNCTIONS(ZELMOR_RESOLVE_FUNCTION)) {
      return table;
    }
    return std::nullopt;
  }();
  return functions ? &*functions : nullptr;
}

struct JxlDeleter {
  // Only a decoder libjxl made is destroyed, so it is loaded by then.
  void operator()(JxlDecoder* p) const { Jxl()->JxlDecoderDestroy(p); }
};

bool IsSrgb(const JxlColorEncoding& e) {
  return e.color_space == JXL_COLOR_SPACE_RGB && e.white_point == JXL_WHITE_POINT_D65 &&
         e.primaries == JXL_PRIMARIES_SRGB && e.transfer_function == JXL_TRANSFER_FUNCTION_SRGB;
}

// The colour of the decoded samples: nothing for sRGB, otherwise the ICC
// profile libjxl describes them with.
PictureColour ColourOf(const JxlFunctions& jxl, const JxlDecoder* decoder) {
  PictureColour colour;
  JxlColorEncoding encoding{};
  if (jxl.JxlDecoderGetColorAsEncodedProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                             &encoding) == JXL_DEC_SUCCESS &&
      IsSrgb(encoding)) {
    return colour;
  }
  std::size_t size = 0;
  if (jxl.JxlDecoderGetICCProfileSize(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) !=
          JXL_DEC_SUCCESS ||
      size == 0 || size > (std::size_t{16} << 20)) {
    return colour;
  }
  colour.iccProfile.resize(size);
  if (jxl.JxlDecoderGetColorAsICCProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                         colour.iccProfile.data(), size) != JXL_DEC_SUCCESS) {
    colour.iccProfile.clear();
  }
  return colour;
}

}  // namespace

bool IsJxlFile(std::span<const uint8_t> file) {
  static constexpr uint8_t kContainer[12] = {0,   0,   0,    0x0C, 'J',  'X',
                                             'L', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  return (file.size() >= 2 && file[0] == 0xFF && file[1] == 0x0A) ||
         (file.size() >= sizeof kContainer &&
          std::memcmp(file.data(), kContainer, sizeof kContainer) == 0);
}

std::optional<DecodedPicture> DecodeJxl(std::span<const uint8_t> file) {
  const JxlFunctions* loaded = Jxl();
  if (loaded == nullptr) {
    return std::nullopt;  // as for a file that does not decode
  }
  const JxlFunctions& jxl = *loaded;
  const std::unique_ptr<JxlDecoder, JxlDeleter> decoder(jxl.JxlDecoderCreate(nullptr));
  if (!decoder) {
    return std::nullopt;
  }
  JxlDecoder* d = decoder.get();
  if (jxl.JxlDecoderSubscribeEvents(
          d, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS ||
      jxl.JxlDecoderSetUnpremultiplyAlpha(d, JXL_TRUE) != JXL_DEC_SUCCESS ||
      jxl.JxlDecoderSetInput(d, file.data(), file.size()) != JXL_DEC_SUCCESS) {
    return std::nullopt;
  }
  jxl.JxlDecoderCloseInput(d);

  JxlBasicInfo info{};
  JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_LITTLE_ENDIAN, 0};
  int bits = 8;
  std::optional<DecodedPicture> out;
  std::vector<uint8_t> samples;
  for (;;) {
    const JxlDecoderStatus status = jxl.JxlDecoderProcessInput(d);
    if (status == JXL_DEC_BASIC_INFO) {
      if (jxl.JxlDecoderGetBasicInfo(d, &info) != JXL_DEC_SUCCESS ||
          !FitsDecodeLimit(info.xsize, info.ysize) || info.bits_per_sample == 0 ||
          info.bits_per_sample > 32) {
        return std::nullopt;
      }
      // Float and over-16-bit samples come out as 16 bits, then rounded to 8.
      bits = info.bits_per_sample > 8 ? 16 : 8;
      format.data_type = bits == 8 ? JXL_TYPE_UINT8 : JXL_TYPE_UINT16;
    } else if (status == JXL_DEC_COLOR_ENCODING) {
      // A picture coded in XYB has no colour space of its own; asking for
      // sRGB makes libjxl produce sRGB directly. Others keep their own.
      JxlColorEncoding srgb{};
      srgb.color_space = JXL_COLOR_SPACE_RGB;
      srgb.white_point = JXL_WHITE_POINT_D65;
      srgb.primaries = JXL_PRIMARIES_SRGB;
      srgb.transfer_function = JXL_TRANSFER_FUNCTION_SRGB;
      srgb.rendering_intent = JXL_RENDERING_INTENT_RELATIVE;
      if (!info.uses_original_profile && info.num_color_channels == 3) {
        jxl.JxlDecoderSetPreferredColorProfile(d, &srgb);
      }
    } else if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
      std::size_t size = 0;
      const uint64_t want = uint64_t{info.xsize} * info.ysize * 4 * (bits / 8);
      if (jxl.JxlDecoderImageOutBufferSize(d, &format, &size) != JXL_DEC_SUCCESS || size != want) {
        return std::nullopt;
      }
      out.emplace(
          DecodedPicture{Bitmap(static_cast<int32_t>(info.xsize), static_cast<int32_t>(info.ysize)),
                         ColourOf(jxl, d), std::nullopt});
      samples.assign(size, 0);
      if (jxl.JxlDecoderSetImageOutBuffer(d, &format, samples.data(), size) != JXL_DEC_SUCCESS) {
        return std::nullopt;
      }
    } else if (status == JXL_DEC_FULL_IMAGE) {
      break;  // the first frame is the picture
    } else {
      // An error, input that ends early, or a file without a frame.
      return std::nullopt;
    }
  }
  if (!out) {
    return std::nullopt;
  }
  const std::size_t sampleBytes = static_cast<std::size_t>(bits / 8);
  for (uint32_t y = 0; y < info.ysize; ++y) {
    const uint8_t* from = samples.data() + std::size_t{y} * info.xsize * 4 * sampleBytes;
    uint8_t* to = out->pixels.row(static_cast<int32_t>(y));
    for (uint32_t x = 0; x < info.xsize; ++x, to += 4, from += 4 * sampleBytes) {
      uint8_t rgba[4];
      for (std::size_t c = 0; c < 4; ++c) {
        rgba[c] = bits == 8 ? from[c]
                            : RoundSampleToEightBits(
                                  from[c * 2] | static_cast<uint32_t>(from[c * 2 + 1]) << 8, 16);
      }
      to[0] = rgba[2];
      to[1] = rgba[1];
      to[2] = rgba[0];
      to[3] = rgba[3];
    }
  }
  return out;
}

}  // namespace zelmor
