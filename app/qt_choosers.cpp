#include <QColor>
#include <QColorDialog>
#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>

#include "app/choosers.h"

namespace zelmor {

std::optional<QString> QtChoosers::ChoosePicture(QWidget* owner) {
  QFileDialog chooser(owner);
  chooser.setAcceptMode(QFileDialog::AcceptOpen);
  chooser.setFileMode(QFileDialog::ExistingFile);
  chooser.setNameFilter(QString::fromUtf16(kPictureFilter));
  if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  return chooser.selectedFiles().front();
}

std::optional<QString> QtChoosers::ChooseOutput(QWidget* owner, const QString& initialName) {
  QFileDialog chooser(owner);
  chooser.setAcceptMode(QFileDialog::AcceptSave);
  chooser.setFileMode(QFileDialog::AnyFile);
  chooser.setNameFilter(QString::fromUtf16(kOutputFilter));
  chooser.setDefaultSuffix(QStringLiteral("ico"));
  if (!initialName.isEmpty()) {
    chooser.selectFile(initialName);
  }
  if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  return chooser.selectedFiles().front();
}

std::optional<COLORREF> QtChoosers::ChooseColor(QWidget* owner, COLORREF initial) {
  // QColorDialog keeps its custom colours in static storage, so they last as
  // long as the process.
  QColorDialog chooser(QColor(initial & 0xFF, (initial >> 8) & 0xFF, (initial >> 16) & 0xFF),
                       owner);
  if (chooser.exec() != QDialog::Accepted) {
    return std::nullopt;
  }
  const QColor chosen = chooser.selectedColor();
  return static_cast<COLORREF>(chosen.red()) | static_cast<COLORREF>(chosen.green()) << 8 |
         static_cast<COLORREF>(chosen.blue()) << 16;
}

void QtChoosers::ShowMessageBox(QWidget* owner, const QString& text, MessageIcon icon) {
  QMessageBox box(icon == MessageIcon::kError ? QMessageBox::Critical : QMessageBox::Warning,
                  QCoreApplication::applicationName(), text, QMessageBox::Ok, owner);
  box.exec();
}

}  // namespace zelmor
