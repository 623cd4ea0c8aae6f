#include "platform/picture_renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/picture_writer.h"

namespace zelmor {
namespace {

using testing::MakeBitmap;
using testing::PixelAt;
using testing::SameBytes;

constexpr int32_t kSizes[] = {16, 24, 32, 48, 64, 96, 128, 256};

Bitmap Noise(int32_t width, int32_t height, uint32_t seed, uint32_t alphaMask = 0) {
  std::mt19937 random(seed);
  return MakeBitmap(width, height, [&](int32_t, int32_t) {
    return static_cast<uint32_t>(random()) | (alphaMask << 24);
  });
}

// Calls check(size, x, y, pixel) for every pixel of every size up to `largest`.
template <typename Check>
void ForEveryRenderedPixel(const Bitmap& picture, int32_t largest, Check check) {
  const PictureRenderer renderer(picture, largest);
  for (const int32_t size : kSizes) {
    if (size > largest) {
      continue;
    }
    const Bitmap canvas = renderer.Render(size);
    ASSERT_EQ(canvas.width(), size);
    ASSERT_EQ(canvas.height(), size);
    for (int32_t y = 0; y < size; ++y) {
      for (int32_t x = 0; x < size; ++x) {
        check(size, x, y, PixelAt(canvas, x, y));
      }
    }
  }
}

TEST(PictureRendererTest, FlatColourStaysExactlyThatColour) {
  const struct {
    int32_t width, height;
  } shapes[] = {{1, 1}, {7, 7}, {40, 90}, {300, 200}, {1030, 33}, {2100, 1500}};
  const uint32_t colours[] = {0xFF336699, 0x80FF0000, 0x01ABCDEF, 0xFFFFFFFF, 0xFE000000};
  for (const auto& shape : shapes) {
    for (const uint32_t colour : colours) {
      const Bitmap picture =
          MakeBitmap(shape.width, shape.height, [colour](int32_t, int32_t) { return colour; });
      int wrong = 0;
      ForEveryRenderedPixel(picture, 256, [&](int32_t, int32_t, int32_t, uint32_t pixel) {
        wrong += pixel != colour;
      });
      EXPECT_EQ(wrong, 0) << shape.width << "x" << shape.height << " colour " << std::hex << colour;
    }
  }
}

// An anti-aliased white disc on black, fully transparent pixels: weighting
// colours without their alpha would pull the black into the rim.
TEST(PictureRendererTest, WhiteDiscGetsNoDarkFringe) {
  for (const int32_t side : {20, 300, 1500}) {
    const double radius = side * 0.4;
    const Bitmap picture = MakeBitmap(side, side, [&](int32_t x, int32_t y) {
      const double distance = std::hypot(x + 0.5 - side / 2.0, y + 0.5 - side / 2.0);
      const double cover = std::clamp(radius - distance + 0.5, 0.0, 1.0);
      const auto alpha = static_cast<uint32_t>(std::lround(cover * 255));
      return alpha == 0 ? 0u : (alpha << 24) | 0xFFFFFF;
    });
    int dark = 0;
    int partial = 0;
    ForEveryRenderedPixel(picture, 256, [&](int32_t, int32_t, int32_t, uint32_t pixel) {
      if (pixel >> 24 != 0) {
        dark += (pixel & 0xFFFFFF) != 0xFFFFFF;
        partial += pixel >> 24 != 255;
      } else {
        dark += pixel != 0;
      }
    });
    EXPECT_EQ(dark, 0) << side;
    EXPECT_GT(partial, 0) << side;  // the rim really is soft
  }
}

// Single-pixel detail much finer than the output averages to grey instead of
// beating into a pattern.
TEST(PictureRendererTest, FineCheckerboardShrinksToEvenGrey) {
  const struct {
    int32_t width, height, largest;
  } cases[] = {
      {1024, 1024, 256}, {4096, 1024, 256}, {1000, 600, 256}, {1024, 1024, 16}, {333, 1999, 64}};
  for (const auto& c : cases) {
    const Bitmap picture = MakeBitmap(c.width, c.height, [](int32_t x, int32_t y) {
      return (x + y) % 2 == 0 ? 0xFF000000u : 0xFFFFFFFFu;
    });
    int worst = 0;
    ForEveryRenderedPixel(picture, c.largest, [&](int32_t size, int32_t, int32_t, uint32_t pixel) {
      if (size * 4 > std::min(c.width, c.height)) {
        return;  // not shrunk enough for single pixels to vanish
      }
      EXPECT_EQ(pixel >> 24, 255u);
      for (int shift = 0; shift < 24; shift += 8) {
        worst = std::max(worst, std::abs(static_cast<int>((pixel >> shift) & 0xFF) - 128));
      }
    });
    EXPECT_LE(worst, 3) << c.width << "x" << c.height << " for " << c.largest;
  }
}

TEST(PictureRendererTest, OpaquePictureStaysOpaqueToTheEdges) {
  const struct { int32_t width, height; } shapes[] = {{5, 9}, {333, 77}, {1030, 2050}};
  for (const auto& shape : shapes) {
    int seeThrough = 0;
    ForEveryRenderedPixel(
        Noise(shape.width, shape.height, 7, 0xFF), 256,
        [&](int32_t, int32_t, int32_t, uint32_t pixel) { seeThrough += pixel >> 24 != 255; });
    EXPECT_EQ(seeThrough, 0) << shape.width << "x" << shape.height;
  }
}

// Hand-drawn art at its own size, even colour under zero alpha, is kept.
TEST(PictureRendererTest, PictureAtItsOwnSizeIsCopiedExactly) {
  const struct { int32_t side, largest; } cases[] = {{16, 16}, {16, 256}, {48, 256}, {256, 256}};
  for (const auto& c : cases) {
    const Bitmap picture = Noise(c.side, c.side, 11);
    const PictureRenderer renderer(picture, c.largest);
    EXPECT_TRUE(SameBytes(renderer.Render(c.side), picture)) << c.side << " of " << c.largest;
  }
}

TEST(PictureRendererTest, FullyTransparentPixelsAreAllZero) {
  std::mt19937 random(5);
  // Half the pixels transparent with colour left in them, the rest barely
  // visible, so that rounding lands on alpha 0 too.
  const Bitmap sparse = MakeBitmap(97, 131, [&](int32_t, int32_t) {
    const uint32_t bits = static_cast<uint32_t>(random());
    return (bits & 0xFFFFFF) | ((bits >> 31) != 0 ? (bits >> 24 & 3) << 24 : 0u);
  });
  const Bitmap empty = MakeBitmap(600, 40, [](int32_t, int32_t) { return 0x00FF8040u; });
  for (const Bitmap* picture : {&sparse, &empty}) {
    int dirty = 0;
    int transparent = 0;
    ForEveryRenderedPixel(*picture, 256, [&](int32_t, int32_t, int32_t, uint32_t pixel) {
      if (pixel >> 24 == 0) {
        ++transparent;
        dirty += pixel != 0;
      }
    });
    EXPECT_GT(transparent, 0);
    EXPECT_EQ(dirty, 0);
  }
}

TEST(PictureRendererTest, SameInputGivesSameBytes) {
  const Bitmap picture = Noise(1111, 700, 3);
  const PictureRenderer first(picture, 256);
  const PictureRenderer second(picture, 256);
  for (const int32_t size : kSizes) {
    EXPECT_TRUE(SameBytes(first.Render(size), second.Render(size))) << size;
    EXPECT_TRUE(SameBytes(first.Render(size), first.Render(size))) << size;
  }
}

TEST(PictureRendererTest, RejectsSizesOutsideItsRange) {
  const Bitmap picture = Noise(10, 10, 1);
  EXPECT_THROW(PictureRenderer(Bitmap(), 16), std::invalid_argument);
  EXPECT_THROW(PictureRenderer(picture, 0), std::invalid_argument);
  const PictureRenderer renderer(picture, 48);
  EXPECT_THROW(renderer.Render(0), std::invalid_argument);
  EXPECT_THROW(renderer.Render(49), std::invalid_argument);
  EXPECT_NO_THROW(renderer.Render(1));
}

// ---- Against a floating-point Catmull-Rom written out directly ----

double CatmullRom(double t) {
  t = std::abs(t);
  if (t < 1) {
    return 1.5 * t * t * t - 2.5 * t * t + 1;
  }
  if (t < 2) {
    return -0.5 * t * t * t + 2.5 * t * t - 4 * t + 2;
  }
  return 0;
}

// weights[j][i]: how much source sample i gives output sample j.
std::vector<std::vector<double>> ReferenceWeights(int32_t source, int32_t target) {
  const double scale = static_cast<double>(source) / target;
  const double widen = std::max(1.0, scale);
  std::vector<std::vector<double>> weights(target, std::vector<double>(source, 0.0));
  for (int32_t j = 0; j < target; ++j) {
    const double centre = (j + 0.5) * scale;
    double total = 0;
    const auto reach = static_cast<int32_t>(std::ceil(2 * widen)) + 1;
    for (auto i = static_cast<int32_t>(centre) - reach; i <= static_cast<int32_t>(centre) + reach;
         ++i) {
      const double w = CatmullRom((i + 0.5 - centre) / widen);
      weights[j][std::clamp(i, 0, source - 1)] += w;
      total += w;
    }
    for (double& w : weights[j]) {
      w /= total;
    }
  }
  return weights;
}

// Premultiplied columns first, clamped, then rows, then back to straight
// alpha: the order and the clamping of the renderer, without its integers.
Bitmap ReferenceRender(const Bitmap& picture, int32_t size) {
  const int32_t width = picture.width();
  const int32_t height = picture.height();
  const auto vertical = ReferenceWeights(height, size);
  const auto horizontal = ReferenceWeights(width, size);
  std::vector<double> middle(static_cast<std::size_t>(size) * width * 4, 0.0);
  for (int32_t j = 0; j < size; ++j) {
    for (int32_t y = 0; y < height; ++y) {
      const double w = vertical[j][y];
      if (w == 0) {
        continue;
      }
      for (int32_t x = 0; x < width; ++x) {
        const uint32_t p = PixelAt(picture, x, y);
        const double alpha = (p >> 24) / 255.0;
        for (int c = 0; c < 4; ++c) {
          const double value = c == 3 ? alpha : ((p >> (8 * c)) & 0xFF) / 255.0 * alpha;
          middle[(static_cast<std::size_t>(j) * width + x) * 4 + c] += w * value;
        }
      }
    }
  }
  for (double& value : middle) {
    value = std::clamp(value, 0.0, 1.0);
  }
  Bitmap out(size, size);
  for (int32_t j = 0; j < size; ++j) {
    for (int32_t i = 0; i < size; ++i) {
      double sum[4] = {0, 0, 0, 0};
      for (int32_t x = 0; x < width; ++x) {
        for (int c = 0; c < 4; ++c) {
          sum[c] += horizontal[i][x] * middle[(static_cast<std::size_t>(j) * width + x) * 4 + c];
        }
      }
      const double alpha = std::clamp(sum[3], 0.0, 1.0);
      uint8_t* p = out.row(j) + i * 4;
      const auto alpha8 = static_cast<uint8_t>(std::lround(alpha * 255));
      if (alpha8 == 0) {
        continue;
      }
      for (int c = 0; c < 3; ++c) {
        p[c] = static_cast<uint8_t>(std::lround(std::clamp(sum[c], 0.0, alpha) / alpha * 255));
      }
      p[3] = alpha8;
    }
  }
  return out;
}

// Largest channel difference, colours compared only where alpha is high
// enough for them to be meaningful.
int LargestDifference(const Bitmap& a, const Bitmap& b) {
  int worst = 0;
  for (int32_t y = 0; y < a.height(); ++y) {
    for (int32_t x = 0; x < a.width(); ++x) {
      const uint32_t p = PixelAt(a, x, y);
      const uint32_t q = PixelAt(b, x, y);
      for (int shift = 0; shift < 32; shift += 8) {
        if (shift < 24 && std::min(p >> 24, q >> 24) < 64) {
          continue;
        }
        worst = std::max(worst, std::abs(static_cast<int>((p >> shift) & 0xFF) -
                                         static_cast<int>((q >> shift) & 0xFF)));
      }
    }
  }
  return worst;
}

TEST(PictureRendererTest, MatchesFloatingPointCatmullRom) {
  // None of these is reduced first: each is under twice the largest size
  // along both axes, so the kernel alone is compared.
  const struct {
    int32_t width, height;
    uint32_t alphaMask;
  } cases[] = {{5, 3, 0x00}, {37, 61, 0x00}, {300, 200, 0x00}, {300, 9, 0xFF}, {2, 500, 0xC0}};
  for (const auto& c : cases) {
    const Bitmap picture = Noise(c.width, c.height, 21, c.alphaMask);
    const PictureRenderer renderer(picture, 256);
    for (const int32_t size : kSizes) {
      EXPECT_LE(LargestDifference(renderer.Render(size), ReferenceRender(picture, size)), 1)
          << c.width << "x" << c.height << " to " << size;
    }
  }
}

// The box reduction in front of the kernel leaves smooth pictures as the
// kernel alone would render them.
TEST(PictureRendererTest, ReductionMatchesDirectRenderingOfSmoothPictures) {
  const Bitmap picture = MakeBitmap(1200, 900, [](int32_t x, int32_t y) {
    const auto wave = [](double phase) {
      return static_cast<uint32_t>(std::lround(127.5 + 127.5 * std::sin(phase)));
    };
    return wave(y / 150.0) << 24 | wave(x / 90.0) << 16 | wave((x + y) / 200.0) << 8 |
           wave(x / 300.0 - y / 170.0);
  });
  const PictureRenderer renderer(picture, 128);
  for (const int32_t size : kSizes) {
    if (size > 128) {
      continue;
    }
    EXPECT_LE(LargestDifference(renderer.Render(size), ReferenceRender(picture, size)), 2) << size;
  }
}

// ---- Each size's own box reduction, at ratios that do not divide evenly ----

// Pictures large enough for every size to take its own box reduction of the
// shared picture, with factors that leave remainders or must fall back to a
// smaller divisor, square and not.
struct AwkwardShape {
  int32_t width, height, largest;
};
constexpr AwkwardShape kAwkwardShapes[] = {
    {1000, 1000, 256}, {4095, 4095, 256}, {4096, 1000, 256}, {700, 2999, 96}};

TEST(PictureRendererTest, OwnReductionsKeepFlatColourCheckerboardAndOpacity) {
  for (const AwkwardShape& shape : kAwkwardShapes) {
    const std::string name = std::to_string(shape.width) + "x" + std::to_string(shape.height);
    int wrong = 0;
    ForEveryRenderedPixel(
        MakeBitmap(shape.width, shape.height, [](int32_t, int32_t) { return 0x80FF8040u; }),
        shape.largest,
        [&](int32_t, int32_t, int32_t, uint32_t pixel) { wrong += pixel != 0x80FF8040u; });
    EXPECT_EQ(wrong, 0) << name << " flat colour";

    int worst = 0;
    int seeThrough = 0;
    ForEveryRenderedPixel(
        MakeBitmap(
            shape.width, shape.height,
            [](int32_t x, int32_t y) { return (x + y) % 2 == 0 ? 0xFF000000u : 0xFFFFFFFFu; }),
        shape.largest, [&](int32_t, int32_t, int32_t, uint32_t pixel) {
          seeThrough += pixel >> 24 != 255;
          for (int shift = 0; shift < 24; shift += 8) {
            worst = std::max(worst, std::abs(static_cast<int>((pixel >> shift) & 0xFF) - 128));
          }
        });
    EXPECT_LE(worst, 3) << name << " checkerboard";
    EXPECT_EQ(seeThrough, 0) << name << " checkerboard";
  }
}

// Smooth waves that run right up to the edges, where a box reduction that
// extended its edge boxes rather than the edge itself would go wrong.
Bitmap SmoothWaves(int32_t width, int32_t height) {
  return MakeBitmap(width, height, [](int32_t x, int32_t y) {
    const auto wave = [](double phase) {
      return static_cast<uint32_t>(std::lround(127.5 + 127.5 * std::sin(phase)));
    };
    return wave(y / 130.0 + 1) << 24 | wave(x / 80.0) << 16 | wave((x - y) / 150.0) << 8 |
           wave(x / 260.0 + y / 190.0);
  });
}

TEST(PictureRendererTest, OwnReductionsMatchDirectRenderingOfSmoothPictures) {
  const struct {
    int32_t width, height, largest, size;
  } cases[] = {{1000, 1000, 256, 24},
               {1000, 1000, 256, 96},
               {2000, 500, 128, 48},
               {2000, 500, 128, 16},
               {999, 1331, 64, 32}};
  for (const auto& c : cases) {
    const Bitmap picture = SmoothWaves(c.width, c.height);
    const PictureRenderer renderer(picture, c.largest);
    EXPECT_LE(LargestDifference(renderer.Render(c.size), ReferenceRender(picture, c.size)), 2)
        << c.width << "x" << c.height << " to " << c.size;
  }
}

// Sizes that reduce the shared picture alike share one reduction; asking for
// the sizes in any order gives the same bytes.
TEST(PictureRendererTest, OrderOfSizesDoesNotMatter) {
  const Bitmap picture = Noise(1200, 900, 17, 0x3F);
  const PictureRenderer upwards(picture, 256);
  const PictureRenderer downwards(picture, 256);
  std::vector<Bitmap> first;
  for (const int32_t size : kSizes) {
    first.push_back(upwards.Render(size));
  }
  for (std::size_t i = std::size(kSizes); i-- > 0;) {
    EXPECT_TRUE(SameBytes(downwards.Render(kSizes[i]), first[i])) << kSizes[i];
  }
}

}  // namespace
}  // namespace zelmor
