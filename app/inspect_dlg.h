#pragma once

#include <QDialog>
#include <QImage>
#include <QString>
#include <optional>

#include "inspect/icon_inspection.h"

namespace zelmor {

// What the inspection window shows of one icon file.
struct IconReport {
  QString path;
  IconInspection inspection;
  // Every entry at 100 % over a light and a dark background, labelled; null
  // when there is no entry to show or the sheet would be too large.
  QImage sheet;
};

// Reads and inspects the icon file at `path`. Nothing, with the reason in
// `error`, when the file cannot be read; a FileError while reading propagates.
std::optional<IconReport> InspectIconFile(const QString& path, QString* error);

// The "检查图标" window: the contact sheet beside the list of entries and the
// findings, each code with its meaning in Chinese.
class CInspectDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CInspectDlg(const IconReport& report, QWidget* parent = nullptr);

  int DoModal();
};

}  // namespace zelmor
