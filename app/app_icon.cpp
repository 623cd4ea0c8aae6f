// The icon is built from res/zelmor.svg into an ICO by the program's own
// encoder and embedded as a Qt resource.
#include <QIcon>

#include "app/zelmor_dlg.h"

// Outside any namespace: the resource's initialiser is a global function.
static void InitIconResource() {
  Q_INIT_RESOURCE(zelmor);
}

namespace zelmor {

QIcon ApplicationIcon() {
  InitIconResource();
  return QIcon(QStringLiteral(":/zelmor/zelmor.ico"));
}

}  // namespace zelmor
