#pragma once

// Exact box averages: the shared reduction of a whole picture, fed row by row,
// and each size's own reduction of it. Internal to the renderer.
#include <cstdint>
#include <functional>

#include "platform/premultiplied_plane.h"

namespace zelmor::rendering {

// Row y of a picture (blue, green, red, alpha, straight alpha), asked for once
// each, in order from the top.
using PictureRowSource = std::function<const uint8_t*(int32_t y)>;

// The length of an axis of `size` samples after the largest whole-number box
// reduction that keeps at least twice `target` samples; unchanged when it is
// shorter than that.
int32_t ReducedLength(int32_t size, int32_t target);

// Boxes of a size's own reduction are all equally long, so their centres lie
// exactly on the even grid the kernel assumes: the factor is the largest
// divisor of the axis that keeps at least twice the size. An axis the picture
// had under twice the largest size was not reduced for any size and is not
// here either: it is cheap to resample as it is, and the kernel alone is the
// more faithful filter.
SizeAxis PlanSizeAxis(int32_t shared, int32_t size, int32_t largest);

// The shared reduction: a `sourceWidth` x `sourceHeight` picture, whose rows
// `rows` gives, premultiplied and box-averaged to `width` x `height`.
Plane ReducePicture(int32_t sourceWidth, int32_t sourceHeight, const PictureRowSource& rows,
                    int32_t width, int32_t height);

// One size's own reduction of the shared picture.
Plane ReducePlane(const Plane& shared, const SizeAxis& across, const SizeAxis& down);

}  // namespace zelmor::rendering
