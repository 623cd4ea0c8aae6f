#pragma once

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QColor>
#include <QLineEdit>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/choosers.h"
#include "app/engines.h"
#include "app/zelmor_dlg.h"
#include "tests/support/temp_dir.h"

namespace zelmor::testing {

// What the dialog shows at one moment.
struct DialogState {
  QString input;
  QString output;
  QString status;
  // The status text most recently painted on screen.
  QString paintedStatus;
};

struct ShownMessage {
  QString text;
  MessageIcon icon;
  QWidget* owner;
  DialogState state;  // at the moment the box was shown
};

// Answers the dialog's choosers from queues (an empty queue answers "cancel")
// and records every message box instead of showing it.
class ScriptedChoosers final : public Choosers {
 public:
  std::deque<std::optional<QString>> pictures;
  std::deque<std::optional<QString>> outputs;
  std::deque<std::optional<COLORREF>> colors;

  std::vector<ShownMessage> messages;
  std::vector<QString> proposedOutputNames;
  std::vector<COLORREF> initialColors;
  std::function<DialogState()> stateOf;

  std::optional<QString> ChoosePicture(QWidget* owner) override;
  std::optional<QString> ChooseOutput(QWidget* owner, const QString& initialName) override;
  std::optional<COLORREF> ChooseColor(QWidget* owner, COLORREF initial) override;
  void ShowMessageBox(QWidget* owner, const QString& text, MessageIcon icon) override;
};

struct EngineCall {
  bool overlay = false;  // OverlayLinesOnIconFile, else GenerateIconFile
  std::string input;     // the first of `inputs`
  std::string output;
  LineOverlaySettings lines;  // overlay: enabled stays false
  std::vector<int32_t> sizes;
  int32_t bitDepth = 0;  // the chosen depth, first of `settings.depths`
  DialogState state;     // at the moment of the call
  std::vector<std::string> inputs;
  IconOutputSettings settings;  // overlay: only pngMinSize
};

// Records every engine call, then runs the real engine unless `result` says
// what to answer instead; `during` runs inside the call.
class RecordingEngines final : public Engines {
 public:
  std::vector<EngineCall> calls;
  std::optional<bool> result;
  std::function<void()> during;
  std::function<DialogState()> stateOf;

  bool GenerateIconFile(const std::vector<std::string>& inputPaths, const std::string& outputPath,
                        const LineOverlaySettings& lines, const std::vector<int32_t>& sizes,
                        const IconOutputSettings& output) override;
  bool OverlayLinesOnIconFile(const std::string& inputPath, const std::string& outputPath,
                              COLORREF color, int32_t minCount, int32_t maxCount,
                              int32_t pngMinSize) override;
};

// A shown main dialog wired to scripted choosers and recording engines, and a
// temporary folder for its files.
class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  QWidget* Item(int id) const { return dialog_->GetDlgItem(id); }
  QLineEdit* Edit(int id) const { return qobject_cast<QLineEdit*>(Item(id)); }
  QAbstractButton* Button(int id) const { return qobject_cast<QAbstractButton*>(Item(id)); }
  QString Text(int id) const { return dialog_->GetDlgItemText(id); }
  void SetText(int id, const QString& text) { dialog_->SetDlgItemText(id, text); }
  void Click(int id);
  DialogState State() const;

  // Drops `urls` at `position` (dialog coordinates) through the window, as
  // the window system delivers a drop (the widget under the point first),
  // and lets the conversions run.
  void Drop(const QList<QUrl>& urls, QPoint position);
  void DropFiles(const QStringList& paths);

  // A small picture or ICO in the temporary folder; returns its path.
  QString MakePicture(const std::string& name);
  QString MakeIcon(const std::string& name);

  TempDir dir_;
  ScriptedChoosers choosers_;
  RecordingEngines engines_;
  std::unique_ptr<CZelmorDlg> dialog_;
  QString painted_status_;
};

QString Utf8(const std::string& text);
std::string Utf8(const QString& text);

// Runs `step` from the event loop (so also inside a modal loop) until it
// returns true. Should the awaited window never come, the modal loops are
// closed so the test ends and fails instead of hanging.
void Await(std::function<bool()> step);
// Drops the waits a test left unanswered, so they cannot act in the next one.
void CancelAwaits();

// The edge lengths of the images of the ICO file at `path`, in file order.
std::vector<int> IconSizes(const QString& path);

}  // namespace zelmor::testing
