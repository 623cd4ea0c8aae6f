#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/bitmap.h"

namespace zelmor {

// True when the path ends in ".svg" or ".svgz", ASCII letters in any case.
bool HasVectorPictureExtension(std::string_view path);

// An SVG document kept as vectors, so that every edge length an icon needs is
// drawn from the shapes instead of from one raster scaled afterwards.
// Documents come from anywhere: loading reads nothing but the one file, and
// documents whose work could run away are refused up front.
class VectorPicture {
 public:
  // Parses the SVG (or gzip-compressed SVGZ) document at `path`. Nothing when
  // the file is missing or unreadable, is not SVG, declares no usable size, is
  // damaged, or breaks the limits.
  static std::optional<VectorPicture> Load(const std::string& path);
  // The same for a document already in memory (the bytes are copied).
  static std::optional<VectorPicture> LoadBytes(const uint8_t* data, std::size_t size);

  VectorPicture(VectorPicture&&) noexcept;
  VectorPicture& operator=(VectorPicture&&) noexcept;
  ~VectorPicture();

  // The document's own size in CSS pixels (both > 0 and finite).
  double width() const;
  double height() const;

  // A canvasWidth x canvasHeight picture, fully transparent except where the
  // whole document is drawn stretched over the rectangle (x, y, w, h) of
  // canvas pixels: non-uniformly when the rectangle's aspect differs from the
  // document's (its own preserveAspectRatio does not letterbox it), and the
  // rectangle may reach beyond the canvas. Nothing when rendering fails or
  // breaks the limits. Throws std::bad_alloc when memory runs out.
  std::optional<Bitmap> Render(int32_t canvasWidth, int32_t canvasHeight, double x, double y,
                               double w, double h) const;

 private:
  struct Impl;
  explicit VectorPicture(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace zelmor
