// JPEG through libjpeg-turbo directly rather than Qt's plugin: only the
// library itself can scale inside the inverse DCT, which decodes a large photo
// at 1/2 to 1/8 of its size several times faster than in full.
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <new>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "platform/decoded_picture.h"
#include "platform/jpeg_scaled.h"

namespace zelmor {
namespace {

// libjpeg reports fatal errors by calling error_exit, which must not return;
// it jumps back to the setjmp of the call in progress. Warnings (a stream that
// ends early is padded, as every decoder does) are not failures.
struct ErrorJump {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void JumpOnError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->jump, 1);
}

void IgnoreMessage(j_common_ptr, int) {}

bool DecodesToRgb(J_COLOR_SPACE space) {
  return space == JCS_GRAYSCALE || space == JCS_YCbCr || space == JCS_RGB;
}

// Everything between jpeg_create_decompress and jpeg_destroy_decompress stays
// in this plain function: nothing with a destructor may be skipped by the
// jump. `pixels` is allocated by the caller once the sides are known through
// `allocate`, which returns nullptr when they are refused.
template <typename Allocate>
bool Decode(std::span<const uint8_t> file, int denominator, JpegFrame& frame, Allocate allocate) {
  jpeg_decompress_struct info{};
  ErrorJump error{};
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = JumpOnError;
  error.manager.emit_message = IgnoreMessage;
  if (setjmp(error.jump) != 0) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK || !DecodesToRgb(info.jpeg_color_space)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  frame = {static_cast<int32_t>(info.image_width), static_cast<int32_t>(info.image_height)};
  if (denominator == 0) {  // the header only
    jpeg_destroy_decompress(&info);
    return true;
  }
  info.scale_num = 1;
  info.scale_denom = static_cast<unsigned>(denominator);
  info.out_color_space = JCS_EXT_BGRA;
  jpeg_calc_output_dimensions(&info);
  Bitmap* pixels = allocate(static_cast<int32_t>(info.output_width),
                            static_cast<int32_t>(info.output_height));
  if (pixels == nullptr) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_start_decompress(&info);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = pixels->row(static_cast<int32_t>(info.output_scanline));
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

std::optional<JpegFrame> ReadJpegFrame(std::span<const uint8_t> file) {
  JpegFrame frame;
  if (file.size() < 4 || file[0] != 0xFF || file[1] != 0xD8 ||
      !Decode(file, 0, frame, [](int32_t, int32_t) -> Bitmap* { return nullptr; })) {
    return std::nullopt;
  }
  return frame;
}

std::optional<Bitmap> DecodeJpegScaled(std::span<const uint8_t> file, int denominator) {
  if (denominator != 1 && denominator != 2 && denominator != 4 && denominator != 8) {
    return std::nullopt;
  }
  if (file.size() < 4 || file[0] != 0xFF || file[1] != 0xD8) {
    return std::nullopt;
  }
  std::optional<Bitmap> pixels;
  JpegFrame frame;
  const bool decoded = Decode(file, denominator, frame, [&pixels](int32_t width, int32_t height) {
    if (!FitsDecodeLimit(static_cast<uint64_t>(width), static_cast<uint64_t>(height))) {
      return static_cast<Bitmap*>(nullptr);
    }
    try {
      pixels.emplace(width, height);
    } catch (const std::bad_alloc&) {
      return static_cast<Bitmap*>(nullptr);
    }
    return &*pixels;
  });
  if (!decoded) {
    return std::nullopt;
  }
  return pixels;
}

}  // namespace zelmor
