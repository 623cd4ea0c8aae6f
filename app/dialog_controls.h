#pragma once

#include <QIcon>
#include <map>
#include <vector>

#include "app/dialog_template.h"
#include "app/dialog_units.h"

class QButtonGroup;
class QDialog;
class QWidget;

namespace zelmor {

// The controls of one dialog, created from its template in template order and
// placed at fixed pixel positions (no layout: resizing moves nothing).
class DialogControls {
 public:
  // Sets `dialog`'s font, client size and (when the template has one) caption,
  // then creates every control as its child. `icon` fills icon controls.
  DialogControls(QDialog* dialog, const DialogTemplate& dialogTemplate, const QIcon& icon);

  // The control with `id`, or nullptr.
  QWidget* Item(int id) const;
  // Every control, in template order.
  const std::vector<QWidget*>& InOrder() const { return in_order_; }
  // The exclusive group a radio button belongs to, or nullptr.
  QButtonGroup* RadioGroupOf(QWidget* control) const;
  const DialogUnits& units() const { return units_; }

 private:
  DialogUnits units_;
  std::vector<QWidget*> in_order_;
  std::map<int, QWidget*> by_id_;
  std::map<QWidget*, QButtonGroup*> radio_groups_;
};

}  // namespace zelmor
