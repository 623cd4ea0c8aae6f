// The windows the dialog's menu opens besides the About box: the output
// choices and the inspection of an icon.
#include <QAction>
#include <QMenu>

#include "app/inspect_dlg.h"
#include "app/more_options_dlg.h"
#include "app/zelmor_dlg.h"

namespace zelmor {

void CZelmorDlg::OnMoreOptions() {
  CMoreOptionsDlg options(m_moreOptions, this);
  if (options.DoModal() == QDialog::Accepted) {
    m_moreOptions = options.Chosen();
  }
}

void CZelmorDlg::OnInspectIcon() {
  const std::optional<QString> chosen = choosers_.ChoosePicture(this);
  if (chosen) {
    ShowInspection(*chosen);
  }
}

void CZelmorDlg::OnInspectWrittenIcon() {
  if (!m_writtenIconPath.isEmpty()) {
    ShowInspection(m_writtenIconPath);
  }
}

void CZelmorDlg::NoteWrittenIcon(const QString& path) {
  m_writtenIconPath = path;
  if (m_inspectWrittenAction == nullptr && m_systemMenu != nullptr) {
    m_inspectWrittenAction = new QAction(QStringLiteral("检查刚生成的图标"), m_systemMenu);
    connect(m_inspectWrittenAction, &QAction::triggered, this,
            [this] { RunHandler([this] { OnInspectWrittenIcon(); }); });
    m_systemMenu->insertAction(m_aboutSeparator, m_inspectWrittenAction);
  }
}

void CZelmorDlg::ShowInspection(const QString& path) {
  QString error;
  const std::optional<IconReport> report = InspectIconFile(path, &error);
  if (!report) {
    MessageBox(error, MessageIcon::kError);
    return;
  }
  CInspectDlg window(*report, this);
  window.DoModal();
}

}  // namespace zelmor
