// Where inputs come from: the picture chooser, the output chooser and files
// dropped anywhere on the dialog.
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMetaObject>
#include <QMimeData>
#include <QUrl>

#include "app/control_ids.h"
#include "app/zelmor_dlg.h"
#include "platform/paths.h"

namespace zelmor {
namespace {

// Local files among the dropped URLs, in the order the drop lists them.
QStringList LocalFiles(const QMimeData* data) {
  QStringList names;
  if (data == nullptr || !data->hasUrls()) {
    return names;
  }
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) {
      names.append(url.toLocalFile());
    }
  }
  return names;
}

}  // namespace

void CZelmorDlg::OnChoosePicture() {
  const std::optional<QString> chosen = choosers_.ChoosePicture(this);
  if (!chosen) {
    return;
  }
  SetDlgItemText(IDC_EDIT_INPUT, *chosen);
  DeriveOutputPath(*chosen);
  SetDlgItemText(IDC_STATIC_STATUS,
                 HasIcoExtension(chosen->toUtf8().toStdString())
                     ? QStringLiteral("已选择 ICO 文件：将仅在图标上画线（忽略尺寸/色深设置）")
                     : QStringLiteral("已选择图片，点击“生成 ICO”开始"));
}

void CZelmorDlg::OnChooseOutput() {
  const QString current = GetDlgItemText(IDC_EDIT_OUTPUT);
  const std::optional<QString> chosen = choosers_.ChooseOutput(this, current);
  if (chosen) {
    SetDlgItemText(IDC_EDIT_OUTPUT, *chosen);
  }
}

void CZelmorDlg::OnDropFiles(const QStringList& names) {
  if (m_moreOptions.mergeDrops && names.size() >= 2) {
    // One icon from all of them, written where the first alone would go.
    SetDlgItemText(IDC_EDIT_INPUT, names.front());
    DeriveOutputPath(names.front());
    Convert(names, true);
    return;
  }
  for (const QString& name : names) {
    SetDlgItemText(IDC_EDIT_INPUT, name);
    DeriveOutputPath(name);
    RunConversion(name);
  }
}

void CZelmorDlg::dragEnterEvent(QDragEnterEvent* event) {
  if (!LocalFiles(event->mimeData()).isEmpty()) {
    event->acceptProposedAction();
  }
}

void CZelmorDlg::dragMoveEvent(QDragMoveEvent* event) {
  if (!LocalFiles(event->mimeData()).isEmpty()) {
    event->acceptProposedAction();
  }
}

void CZelmorDlg::dropEvent(QDropEvent* event) {
  const QStringList names = LocalFiles(event->mimeData());
  if (names.isEmpty()) {
    return;
  }
  event->acceptProposedAction();
  // The conversions run once the drop is complete, so the program the files
  // came from is not kept waiting for them.
  QMetaObject::invokeMethod(
      this, [this, names] { RunHandler([this, &names] { OnDropFiles(names); }); },
      Qt::QueuedConnection);
}

}  // namespace zelmor
