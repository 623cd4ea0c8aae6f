#pragma once

#include <QDialog>
#include <memory>

#include "app/dialog_controls.h"

namespace zelmor {

// The About box: the icon, the program's name and version, and OK. OK,
// Enter, Escape and the close box all end it.
class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
  ~CAboutDlg() override;

  int DoModal();

 private:
  std::unique_ptr<DialogControls> controls_;
};

}  // namespace zelmor
