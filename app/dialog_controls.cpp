#include "app/dialog_controls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/control_ids.h"
#include "app/count_box_validator.h"

namespace zelmor {
namespace {

using namespace control_style;

QString Text(const ControlTemplate& row) {
  return QString::fromUtf8(row.text);
}

Qt::FocusPolicy FocusFor(const ControlTemplate& row) {
  if (row.styles & kTabStop) {
    return Qt::StrongFocus;
  }
  // A control off the Tab path still takes the focus when clicked.
  return Qt::ClickFocus;
}

QWidget* MakeStatic(const ControlTemplate& row, QWidget* parent) {
  auto* label = new QLabel(Text(row), parent);
  label->setTextFormat(Qt::PlainText);
  label->setFocusPolicy(Qt::NoFocus);
  Qt::Alignment alignment = (row.styles & kCenter) ? Qt::AlignHCenter : Qt::AlignLeft;
  alignment |= (row.styles & kCenterImage) ? Qt::AlignVCenter : Qt::AlignTop;
  label->setAlignment(alignment);
  if (row.styles & kSunken) {
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setLineWidth(1);
  }
  return label;
}

QWidget* MakeIcon(const QIcon& icon, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setFocusPolicy(Qt::NoFocus);
  label->setPixmap(icon.pixmap(32, 32));
  return label;
}

QWidget* MakeEdit(const ControlTemplate& row, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setFrame((row.styles & kBorder) != 0);
  edit->setFocusPolicy(FocusFor(row));
  // A file dropped on a box is converted by the dialog, not pasted as text.
  edit->setAcceptDrops(false);
  if (row.styles & kNumber) {
    edit->setValidator(new CountBoxValidator(edit));
  }
  return edit;
}

QWidget* MakePushButton(const ControlTemplate& row, QWidget* parent) {
  auto* button = new QPushButton(Text(row), parent);
  button->setFocusPolicy(FocusFor(row));
  button->setAutoDefault(false);
  button->setDefault((row.styles & kDefault) != 0);
  return button;
}

QWidget* MakeControl(const ControlTemplate& row, const QIcon& icon, QWidget* parent) {
  switch (row.kind) {
    case ControlKind::kStatic:
      return MakeStatic(row, parent);
    case ControlKind::kIcon:
      return MakeIcon(icon, parent);
    case ControlKind::kGroupBox: {
      auto* box = new QGroupBox(Text(row), parent);
      box->setFocusPolicy(Qt::NoFocus);
      return box;
    }
    case ControlKind::kCheckBox: {
      auto* box = new QCheckBox(Text(row), parent);
      box->setFocusPolicy(FocusFor(row));
      return box;
    }
    case ControlKind::kRadioButton: {
      auto* button = new QRadioButton(Text(row), parent);
      button->setFocusPolicy(FocusFor(row));
      button->setAutoExclusive(false);  // its QButtonGroup decides
      return button;
    }
    case ControlKind::kPushButton:
      return MakePushButton(row, parent);
    case ControlKind::kEdit:
      return MakeEdit(row, parent);
  }
  return nullptr;
}

}  // namespace

DialogControls::DialogControls(QDialog* dialog, const DialogTemplate& dialogTemplate,
                               const QIcon& icon)
    : units_(DialogFont()) {
  dialog->setFont(DialogFont());
  if (*dialogTemplate.caption != '\0') {
    dialog->setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
  }
  dialog->resize(units_.ToPixelsX(dialogTemplate.width), units_.ToPixelsY(dialogTemplate.height));

  QButtonGroup* radio_group = nullptr;
  for (const ControlTemplate& row : dialogTemplate.controls) {
    QWidget* control = MakeControl(row, icon, dialog);
    if (row.kind == ControlKind::kIcon) {
      control->setGeometry(units_.ToPixelsX(row.x), units_.ToPixelsY(row.y), 32, 32);
    } else {
      control->setGeometry(units_.ToPixels(row.x, row.y, row.width, row.height));
    }
    // A radio button group runs from a radio button marked as a group start
    // up to the next control marked so.
    if (row.styles & kGroup) {
      radio_group = nullptr;
    }
    if (row.kind == ControlKind::kRadioButton) {
      if (radio_group == nullptr) {
        radio_group = new QButtonGroup(dialog);
      }
      radio_group->addButton(static_cast<QRadioButton*>(control));
      radio_groups_[control] = radio_group;
    }
    in_order_.push_back(control);
    if (row.id != IDC_STATIC) {
      by_id_[row.id] = control;
    }
  }
}

QWidget* DialogControls::Item(int id) const {
  const auto found = by_id_.find(id);
  return found == by_id_.end() ? nullptr : found->second;
}

QButtonGroup* DialogControls::RadioGroupOf(QWidget* control) const {
  const auto found = radio_groups_.find(control);
  return found == radio_groups_.end() ? nullptr : found->second;
}

}  // namespace zelmor
