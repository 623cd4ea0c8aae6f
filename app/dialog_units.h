#pragma once

#include <QFont>
#include <QRect>

namespace zelmor {

// The font every dialog uses: the system's UI font at 9 points, with a CJK
// face behind it for the Chinese texts.
QFont DialogFont();

// Turns dialog units into pixels for one font: a horizontal unit is a quarter
// of the font's average character width (over the 52 ASCII letters), a
// vertical unit an eighth of its height.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  DialogUnits(int baseWidth, int baseHeight) : base_width_(baseWidth), base_height_(baseHeight) {}

  int baseWidth() const { return base_width_; }
  int baseHeight() const { return base_height_; }
  int ToPixelsX(int x) const;
  int ToPixelsY(int y) const;
  QRect ToPixels(int x, int y, int width, int height) const;

 private:
  int base_width_;
  int base_height_;
};

}  // namespace zelmor
