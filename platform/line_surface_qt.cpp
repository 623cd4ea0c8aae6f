// Anti-aliased lines drawn by QPainter straight into a bitmap's pixels: the
// QImage wraps the bitmap's memory, so nothing is copied back afterwards.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPointF>

#include "platform/line_surface.h"

namespace zelmor {
namespace {

class QtLineSurface final : public LineSurface {
 public:
  QtLineSurface(Bitmap& bitmap, PixelOffset offset)
      : image_(bitmap.data(), bitmap.width(), bitmap.height(), bitmap.stride(),
               QImage::Format_ARGB32),
        // Qt puts integer coordinates on pixel corners; the default
        // convention wants them on pixel centres, half a pixel further on.
        shift_(offset == PixelOffset::kDefault ? 0.5 : 0.0) {
    painter_.begin(&image_);
    painter_.setRenderHint(QPainter::Antialiasing, true);
  }

  // Ending the painter flushes every pending span into the pixels.
  ~QtLineSurface() override { painter_.end(); }

  bool active() const { return painter_.isActive(); }

  void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t argb) override {
    QPen pen(QColor::fromRgba(argb));
    pen.setStyle(Qt::SolidLine);
    pen.setWidthF(1.0);
    pen.setCosmetic(false);
    // A line ends at its end points, without the half-width square caps that
    // are Qt's default.
    pen.setCapStyle(Qt::FlatCap);
    painter_.setPen(pen);
    painter_.drawLine(QPointF(x1 + shift_, y1 + shift_), QPointF(x2 + shift_, y2 + shift_));
  }

 private:
  QImage image_;
  QPainter painter_;
  double shift_;
};

}  // namespace

std::unique_ptr<LineSurface> OpenLineSurface(Bitmap& bitmap, PixelOffset offset) {
  if (bitmap.empty()) {
    return nullptr;
  }
  auto surface = std::make_unique<QtLineSurface>(bitmap, offset);
  if (!surface->active()) {
    return nullptr;
  }
  return surface;
}

}  // namespace zelmor
