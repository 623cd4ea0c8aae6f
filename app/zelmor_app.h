#pragma once

#include <QApplication>

namespace zelmor {

// The application: Qt's start-up, then the main dialog, modally. The process
// ends when the dialog closes.
class CZelmorApp : public QApplication {
 public:
  CZelmorApp(int& argc, char** argv);

  // Runs the whole program; false, as there is no event loop left to enter.
  bool InitInstance();
};

}  // namespace zelmor
