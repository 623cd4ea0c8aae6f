#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/bitmap.h"
#include "platform/picture_renderer.h"

namespace zelmor {

// The part of a picture that is drawn.
struct PictureRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};

// Picks the part of a width x height picture to draw.
using CropRule = std::function<PictureRect(int32_t width, int32_t height)>;

// A raster picture an icon is drawn from, upright and in sRGB. Its size is
// known as soon as it is opened; how its pixels are decoded waits until it is
// known what they are for. A PNG is fed to the renderer row by row, decoded on
// a second thread, and never held whole, whatever its size; a JPEG at least
// twice the largest size wanted is decoded at the smallest DCT scale that
// keeps it so; every other picture is decoded whole, as LoadPictureFile does,
// and so is a PNG or JPEG whose data turns out damaged, so that what decodes
// and what does not stays the same.
class RasterPicture {
 public:
  // A picture already decoded (an icon's entry).
  explicit RasterPicture(Bitmap pixels);
  // Nothing when the file is missing or is no picture the imaging layer
  // decodes. Needs a live ImagingSession.
  static std::optional<RasterPicture> Open(const std::string& path);
  RasterPicture(RasterPicture&&) noexcept;
  RasterPicture& operator=(RasterPicture&&) noexcept;
  ~RasterPicture();

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }

  // The whole picture at its own size, decoded on the first call. Nothing
  // when its data proves damaged. Throws std::bad_alloc.
  const Bitmap* Whole() const;

  // A renderer for sizes up to `largestSize` of the part of the picture that
  // `crop` picks (all of it without a rule). The rule is asked with the sides
  // of the pixels actually decoded, which for a JPEG decoded at a reduced
  // scale are smaller than width() and height(). Nothing when the data proves
  // damaged. Throws std::bad_alloc.
  std::unique_ptr<PictureRenderer> Renderer(int32_t largestSize, const CropRule& crop = {}) const;

 private:
  struct Impl;
  // A PNG to be streamed; nothing for any other file, or a PNG to decode whole.
  static std::optional<RasterPicture> OpenPng(const std::string& path);
  explicit RasterPicture(std::unique_ptr<Impl> impl, int32_t width, int32_t height);
  std::unique_ptr<Impl> impl_;
  int32_t width_ = 0;
  int32_t height_ = 0;
};

}  // namespace zelmor
