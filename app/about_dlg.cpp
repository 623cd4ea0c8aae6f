#include "app/about_dlg.h"

#include <QPushButton>

#include "app/control_ids.h"
#include "app/dialog_template.h"
#include "app/zelmor_dlg.h"

namespace zelmor {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  controls_ = std::make_unique<DialogControls>(this, AboutDialogTemplate(), ApplicationIcon());
  setFixedSize(size());
  auto* ok = qobject_cast<QPushButton*>(controls_->Item(IDOK));
  ok->setFocus(Qt::OtherFocusReason);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

CAboutDlg::~CAboutDlg() = default;

int CAboutDlg::DoModal() {
  return exec();
}

}  // namespace zelmor
