#include "app/dialog_units.h"

#include <QApplication>
#include <QFontMetrics>
#include <QString>

namespace zelmor {
namespace {

// a * b / c rounded half away from zero, as dialog units are scaled.
int ScaleRounded(int a, int b, int c) {
  const long long product = static_cast<long long>(a) * b;
  const long long half = c / 2;
  return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

QFont DialogFont() {
  QFont font = QApplication::font();
  font.setPointSize(9);
  // Latin text keeps the system face; Chinese falls back to a face that has it.
  font.setFamilies({font.family(), QStringLiteral("WenQuanYi Micro Hei")});
  return font;
}

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  static const QString kLetters =
      QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
  base_width_ = ScaleRounded(metrics.horizontalAdvance(kLetters), 1, 52);
  base_height_ = metrics.height();
}

int DialogUnits::ToPixelsX(int x) const {
  return ScaleRounded(x, base_width_, 4);
}

int DialogUnits::ToPixelsY(int y) const {
  return ScaleRounded(y, base_height_, 8);
}

QRect DialogUnits::ToPixels(int x, int y, int width, int height) const {
  // Position and extent scale separately, as a dialog template's controls do.
  return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(width), ToPixelsY(height));
}

}  // namespace zelmor
