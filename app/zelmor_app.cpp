#include "app/zelmor_app.h"

#include "app/translations.h"
#include "app/zelmor_dlg.h"

namespace zelmor {

// The application name Qt takes from the program file ("Zelmor") is the
// caption of every message box.
CZelmorApp::CZelmorApp(int& argc, char** argv) : QApplication(argc, argv) {}

bool CZelmorApp::InitInstance() {
  InstallChineseTranslations(*this);
  setWindowIcon(ApplicationIcon());
  CZelmorDlg dialog;
  dialog.DoModal();
  return false;
}

}  // namespace zelmor
