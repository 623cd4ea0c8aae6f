#pragma once

#include <QString>
#include <optional>

#include "generate/line_overlay.h"
#include "platform/messages.h"

class QWidget;

namespace zelmor {

// The dialogs the main window opens to ask or tell the user something: file
// and colour choosers and message boxes. The program shows Qt's; tests answer
// them from a script.
class Choosers {
 public:
  virtual ~Choosers() = default;

  // An existing picture or icon file, or nothing when the user cancels.
  virtual std::optional<QString> ChoosePicture(QWidget* owner) = 0;
  // A file to write, proposing `initialName`; "ico" is appended to a name
  // typed without extension and an existing file needs confirming.
  virtual std::optional<QString> ChooseOutput(QWidget* owner, const QString& initialName) = 0;
  // A colour, starting at `initial`, or nothing when the user cancels.
  virtual std::optional<COLORREF> ChooseColor(QWidget* owner, COLORREF initial) = 0;
  // A message box with `icon` and a single OK button; returns when dismissed.
  virtual void ShowMessageBox(QWidget* owner, const QString& text, MessageIcon icon) = 0;
};

// Qt's own file dialog, colour dialog and message box.
class QtChoosers final : public Choosers {
 public:
  std::optional<QString> ChoosePicture(QWidget* owner) override;
  std::optional<QString> ChooseOutput(QWidget* owner, const QString& initialName) override;
  std::optional<COLORREF> ChooseColor(QWidget* owner, COLORREF initial) override;
  void ShowMessageBox(QWidget* owner, const QString& text, MessageIcon icon) override;
};

// Filters of the two file choosers.
inline constexpr const char16_t* kPictureFilter =
    u"图片/图标文件 (*.png *.jpg *.jpeg *.bmp *.gif *.ico);;所有文件 (*)";
inline constexpr const char16_t* kOutputFilter = u"图标文件 (*.ico);;所有文件 (*)";

}  // namespace zelmor
