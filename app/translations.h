#pragma once

class QCoreApplication;

namespace zelmor {

// Makes Qt's own texts (standard buttons, file and colour choosers) Simplified
// Chinese like the rest of the program. False when Qt's translations are not
// installed; the program then runs with Qt's English texts.
bool InstallChineseTranslations(QCoreApplication& application);

}  // namespace zelmor
