#include "app/count_box_validator.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

namespace zelmor {
namespace {

// The width a line edit leaves for its text: the style's contents rectangle
// less the fixed side margin QLineEdit keeps on each side.
int TextWidth(const QLineEdit& box) {
  QStyleOptionFrame option;
  option.initFrom(&box);
  option.rect = box.rect();
  option.lineWidth =
      box.hasFrame() ? box.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &box) : 0;
  const QRect contents = box.style()->subElementRect(QStyle::SE_LineEditContents, &option, &box);
  constexpr int kHorizontalMargin = 2;
  const QMargins margins = box.textMargins();
  return contents.width() - 2 * kHorizontalMargin - margins.left() - margins.right();
}

}  // namespace

CountBoxValidator::CountBoxValidator(QLineEdit* box) : QValidator(box), box_(box) {}

QValidator::State CountBoxValidator::validate(QString& input, int& /*position*/) const {
  for (const QChar c : input) {
    if (c < u'0' || c > u'9') {
      return Invalid;
    }
  }
  if (QFontMetrics(box_->font()).horizontalAdvance(input) > TextWidth(*box_)) {
    return Invalid;
  }
  return Acceptable;
}

}  // namespace zelmor
