#pragma once

// The separable Catmull-Rom kernel that makes each canvas from a reduced
// plane. Internal to the renderer.
#include <cstdint>

#include "platform/bitmap.h"
#include "platform/premultiplied_plane.h"

namespace zelmor::rendering {

// The kernel over `plane` into `canvas`: down the columns first, that pass
// going over whole rows, which vectorizes, and meeting the larger number of
// values; then across each row as soon as it is done, so that no more than a
// row of the intermediate is ever held.
void Resample(const Plane& plane, const SizeAxis& across, const SizeAxis& down, int32_t width,
              int32_t height, Bitmap& canvas);

}  // namespace zelmor::rendering
