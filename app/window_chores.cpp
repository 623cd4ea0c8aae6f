// Line colour and its swatch, the size shortcuts, the About entry and the key
// filter.
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPalette>

#include "app/about_dlg.h"
#include "app/control_ids.h"
#include "app/zelmor_dlg.h"

namespace zelmor {
namespace {

QColor ToQColor(COLORREF color) {
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

}  // namespace

void CZelmorDlg::OnChooseLineColor() {
  const std::optional<COLORREF> chosen = choosers_.ChooseColor(this, m_lineColor);
  if (!chosen) {
    return;
  }
  m_lineColor = *chosen;
  UpdateColorSwatch();
}

void CZelmorDlg::UpdateColorSwatch() {
  m_colorBrush = QBrush(ToQColor(m_lineColor));
  QWidget* swatch = GetDlgItem(IDC_STATIC_COLOR_SWATCH);
  QPalette palette = swatch->palette();
  palette.setBrush(QPalette::Window, m_colorBrush);
  swatch->setPalette(palette);
  swatch->setAutoFillBackground(true);
  swatch->repaint();
}

void CZelmorDlg::OnSelectAllSizes() {
  for (QCheckBox* box : {m_checkSize16, m_checkSize24, m_checkSize32, m_checkSize48, m_checkSize64,
                         m_checkSize96, m_checkSize128, m_checkSize256}) {
    box->setCheckState(Qt::Checked);
  }
}

void CZelmorDlg::OnClearSizes() {
  for (QCheckBox* box : {m_checkSize16, m_checkSize24, m_checkSize32, m_checkSize48, m_checkSize64,
                         m_checkSize96, m_checkSize128, m_checkSize256}) {
    box->setCheckState(Qt::Unchecked);
  }
}

void CZelmorDlg::OnSysCommand(int command, int /*parameter*/) {
  if ((command & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg about(this);
    about.DoModal();
  }
  // The window system handles every other command of the window menu itself.
}

void CZelmorDlg::contextMenuEvent(QContextMenuEvent* event) {
  // The window menu cannot take entries here, so the About entry lives in the
  // dialog's own menu.
  if (m_systemMenu != nullptr) {
    const QPoint where = event->globalPos();
    RunHandler([this, where] { m_systemMenu->exec(where); });
  }
}

bool CZelmorDlg::PreTranslateMessage(QObject* target, QEvent* event) {
  if (event->type() != QEvent::KeyPress) {
    return false;
  }
  auto* widget = qobject_cast<QWidget*>(target);
  if (widget == nullptr || (widget != this && !isAncestorOf(widget))) {
    return false;
  }
  const int key = static_cast<QKeyEvent*>(event)->key();
  return key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool CZelmorDlg::eventFilter(QObject* watched, QEvent* event) {
  return PreTranslateMessage(watched, event) || QDialog::eventFilter(watched, event);
}

}  // namespace zelmor
