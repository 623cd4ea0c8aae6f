#pragma once

#include <cstdint>
#include <vector>

#include <QImage>

namespace zelmor::testing {

// The PNG file Qt writes for `image`.
std::vector<uint8_t> EncodePng(const QImage& image);

// A black 1-bit PNG of any size; small on disk however large the picture.
std::vector<uint8_t> BlackMonoPng(int width, int height);

}  // namespace zelmor::testing
