#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/bitmap.h"

namespace zelmor {

// Renders one picture into square canvases of any edge length with
// high-quality scaling (separable Catmull-Rom, widened when shrinking, on
// premultiplied alpha). The work that all sizes share is done once, in the
// constructor; every size is still computed from the picture, never from
// another size's result. The output is the same bytes on every machine.
class PictureRenderer {
 public:
  // `largestSize` is the largest edge length that will be asked of Render().
  PictureRenderer(const Bitmap& picture, int32_t largestSize);
  // The same for a width x height picture that is never held whole: `rows(y)`
  // gives row y (blue, green, red, alpha, straight alpha), asked for once each,
  // from the top down, and need stay valid only until the next call. An
  // exception thrown by `rows` leaves the constructor.
  PictureRenderer(int32_t width, int32_t height,
                  const std::function<const uint8_t*(int32_t y)>& rows, int32_t largestSize);
  ~PictureRenderer();
  PictureRenderer(const PictureRenderer&) = delete;
  PictureRenderer& operator=(const PictureRenderer&) = delete;

  // A size x size bitmap holding the whole picture stretched over the square.
  // Throws std::bad_alloc when memory runs out.
  Bitmap Render(int32_t size) const;
  // The whole picture stretched over a width x height bitmap; both sides from
  // 1 to the largest size. A picture that already has that size is copied.
  Bitmap Render(int32_t width, int32_t height) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zelmor
