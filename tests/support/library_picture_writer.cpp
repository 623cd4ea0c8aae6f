#include "tests/support/library_picture_writer.h"

#include <avif/avif.h>
#include <libheif/heif.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/exif_orientation.h"
#include "tests/support/picture_chunks.h"
#include "tests/support/picture_writer.h"
#include "tests/support/temp_dir.h"

namespace zelmor::testing {
namespace {

// The orientation that undoes `orientation`: the quarter turns swap, the rest
// undo themselves.
int Inverse(int orientation) {
  return orientation == 6 ? 8 : orientation == 8 ? 6 : orientation;
}

// One channel (0 blue, 1 green, 2 red, 3 alpha) of pixel (x, y).
uint8_t Channel(const Bitmap& picture, int32_t x, int32_t y, int channel) {
  return picture.row(y)[x * 4 + channel];
}

bool AnyTranslucent(const Bitmap& picture) {
  for (int32_t y = 0; y < picture.height(); ++y) {
    for (int32_t x = 0; x < picture.width(); ++x) {
      if (Channel(picture, x, y, 3) != 255) {
        return true;
      }
    }
  }
  return false;
}

struct HeifDeleter {
  void operator()(heif_context* p) const { heif_context_free(p); }
  void operator()(heif_encoder* p) const { heif_encoder_release(p); }
  void operator()(heif_image* p) const { heif_image_release(p); }
  void operator()(heif_encoding_options* p) const { heif_encoding_options_free(p); }
  void operator()(heif_color_profile_nclx* p) const { heif_nclx_color_profile_free(p); }
};
template <typename T>
using HeifPtr = std::unique_ptr<T, HeifDeleter>;

bool Ok(heif_error error) {
  return error.code == heif_error_Ok;
}

}  // namespace

bool WriteHeic(const Bitmap& upright, const std::string& path,
               const LibraryPictureOptions& options) {
  const Bitmap stored = ApplyExifOrientation(
      MakeBitmap(upright.width(), upright.height(),
                 [&upright](int32_t x, int32_t y) { return PixelAt(upright, x, y); }),
      Inverse(options.orientation));
  const int w = stored.width();
  const int h = stored.height();
  const HeifPtr<heif_context> context(heif_context_alloc());
  heif_encoder* rawEncoder = nullptr;
  if (!Ok(heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &rawEncoder))) {
    return false;
  }
  const HeifPtr<heif_encoder> encoder(rawEncoder);
  if (!Ok(heif_encoder_set_lossless(rawEncoder, 1)) ||
      !Ok(heif_encoder_set_parameter(rawEncoder, "chroma", "444"))) {
    return false;
  }
  heif_image* rawImage = nullptr;
  if (!Ok(heif_image_create(w, h, heif_colorspace_YCbCr, heif_chroma_444, &rawImage))) {
    return false;
  }
  const HeifPtr<heif_image> image(rawImage);
  const bool alpha = AnyTranslucent(stored);
  // With the identity matrix the planes hold green, blue and red as they are.
  const struct {
    heif_channel channel;
    int source;
  } planes[] = {
      {heif_channel_Y, 1}, {heif_channel_Cb, 0}, {heif_channel_Cr, 2}, {heif_channel_Alpha, 3}};
  for (const auto& plane : planes) {
    if (plane.channel == heif_channel_Alpha && !alpha) {
      continue;
    }
    if (!Ok(heif_image_add_plane(rawImage, plane.channel, w, h, 8))) {
      return false;
    }
    int stride = 0;
    uint8_t* samples = heif_image_get_plane(rawImage, plane.channel, &stride);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        samples[y * stride + x] = Channel(stored, x, y, plane.source);
      }
    }
  }
  const HeifPtr<heif_color_profile_nclx> nclx(heif_nclx_color_profile_alloc());
  nclx->matrix_coefficients = heif_matrix_coefficients_RGB_GBR;
  nclx->color_primaries = heif_color_primaries_ITU_R_BT_709_5;
  nclx->transfer_characteristics = heif_transfer_characteristic_IEC_61966_2_1;
  nclx->full_range_flag = 1;
  if (!Ok(heif_image_set_nclx_color_profile(rawImage, nclx.get()))) {
    return false;
  }
  if (!options.iccProfile.empty() &&
      !Ok(heif_image_set_raw_color_profile(rawImage, "prof", options.iccProfile.data(),
                                           options.iccProfile.size()))) {
    return false;
  }
  const HeifPtr<heif_encoding_options> encoding(heif_encoding_options_alloc());
  encoding->image_orientation = static_cast<heif_orientation>(options.orientation);
  encoding->save_two_colr_boxes_when_ICC_and_nclx_available = 1;
  heif_image_handle* handle = nullptr;
  if (!Ok(heif_context_encode_image(context.get(), rawImage, rawEncoder, encoding.get(),
                                    &handle))) {
    return false;
  }
  if (options.exifToo) {
    const std::vector<uint8_t> exif = ExifBlock(options.orientation, false);
    // libheif wants the offset of the TIFF header in front of the block.
    std::vector<uint8_t> withOffset = {0, 0, 0, 0};
    withOffset.insert(withOffset.end(), exif.begin(), exif.end());
    const bool added = Ok(heif_context_add_exif_metadata(context.get(), handle, withOffset.data(),
                                                         static_cast<int>(withOffset.size())));
    if (!added) {
      heif_image_handle_release(handle);
      return false;
    }
  }
  heif_image_handle_release(handle);
  return Ok(heif_context_write_to_file(context.get(), path.c_str()));
}

bool WriteAvif(const Bitmap& upright, const std::string& path,
               const LibraryPictureOptions& options) {
  const int w = upright.width();
  const int h = upright.height();
  const Bitmap stored = ApplyExifOrientation(
      MakeBitmap(w, h, [&upright](int32_t x, int32_t y) { return PixelAt(upright, x, y); }),
      Inverse(options.orientation));
  std::unique_ptr<avifImage, void (*)(avifImage*)> image(
      avifImageCreate(stored.width(), stored.height(), 8, AVIF_PIXEL_FORMAT_YUV444),
      avifImageDestroy);
  image->matrixCoefficients = AVIF_MATRIX_COEFFICIENTS_IDENTITY;
  image->colorPrimaries = AVIF_COLOR_PRIMARIES_BT709;
  image->transferCharacteristics = AVIF_TRANSFER_CHARACTERISTICS_SRGB;
  image->yuvRange = AVIF_RANGE_FULL;
  if (!options.iccProfile.empty()) {
    avifImageSetProfileICC(image.get(), options.iccProfile.data(), options.iccProfile.size());
  }
  // irot turns anticlockwise, then imir mirrors (0 top to bottom, 1 left to right).
  static constexpr struct {
    int angle;  // -1: none
    int mode;
  } kBoxes[9] = {{-1, -1}, {-1, -1}, {-1, 1}, {2, -1}, {-1, 0}, {3, 1}, {3, -1}, {3, 0}, {1, -1}};
  const auto& boxes = kBoxes[options.orientation];
  if (boxes.angle >= 0) {
    image->transformFlags |= AVIF_TRANSFORM_IROT;
    image->irot.angle = static_cast<uint8_t>(boxes.angle);
  }
  if (boxes.mode >= 0) {
    image->transformFlags |= AVIF_TRANSFORM_IMIR;
    image->imir.mode = static_cast<uint8_t>(boxes.mode);
  }
  if (options.exifToo) {
    const std::vector<uint8_t> exif = ExifBlock(options.orientation, false);
    avifImageSetMetadataExif(image.get(), exif.data(), exif.size());
  }
  avifRGBImage rgb;
  avifRGBImageSetDefaults(&rgb, image.get());
  rgb.format = AVIF_RGB_FORMAT_BGRA;
  rgb.depth = 8;
  rgb.pixels = const_cast<uint8_t*>(stored.data());
  rgb.rowBytes = static_cast<uint32_t>(stored.stride());
  rgb.ignoreAlpha = AnyTranslucent(stored) ? AVIF_FALSE : AVIF_TRUE;
  if (avifImageRGBToYUV(image.get(), &rgb) != AVIF_RESULT_OK) {
    return false;
  }
  std::unique_ptr<avifEncoder, void (*)(avifEncoder*)> encoder(avifEncoderCreate(),
                                                               avifEncoderDestroy);
  encoder->minQuantizer = AVIF_QUANTIZER_LOSSLESS;
  encoder->maxQuantizer = AVIF_QUANTIZER_LOSSLESS;
  encoder->minQuantizerAlpha = AVIF_QUANTIZER_LOSSLESS;
  encoder->maxQuantizerAlpha = AVIF_QUANTIZER_LOSSLESS;
  encoder->speed = AVIF_SPEED_FASTEST;
  avifRWData output = AVIF_DATA_EMPTY;
  if (avifEncoderWrite(encoder.get(), image.get(), &output) != AVIF_RESULT_OK) {
    return false;
  }
  WriteBytes(path, std::vector<uint8_t>(output.data, output.data + output.size));
  avifRWDataFree(&output);
  return true;
}

bool HaveTool(const std::string& name) {
  const std::string command = "command -v " + name + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

bool WriteJxl(const Bitmap& picture, const std::string& path,
              const std::vector<uint8_t>& iccProfile) {
  if (!HaveTool("cjxl")) {
    return false;
  }
  TempDir dir;
  const std::string png = dir.File("source.png");
  std::vector<uint8_t> bytes = EncodePng(picture);
  if (!iccProfile.empty()) {
    bytes = InsertPngChunk(bytes, "iCCP", IccpChunkData(iccProfile));
  }
  WriteBytes(png, bytes);
  const std::string command = "cjxl -d 0 -e 1 --quiet '" + png + "' '" + path + "' >/dev/null 2>&1";
  return std::system(command.c_str()) == 0 && std::filesystem::exists(path);
}

}  // namespace zelmor::testing
