#pragma once

#include <QBrush>
#include <QDialog>
#include <QIcon>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/choosers.h"
#include "app/dialog_controls.h"
#include "app/engines.h"
#include "app/more_options.h"
#include "generate/line_overlay.h"
#include "platform/messages.h"

class QAction;
class QCheckBox;
class QMenu;
class QRadioButton;

namespace zelmor {

// The main window: every setting of a conversion lives in its controls, which
// the handlers reach by control ID. Conversions run synchronously on the
// window's thread.
class CZelmorDlg : public QDialog {
  Q_OBJECT

 public:
  // Shows Qt's choosers and runs the real engines.
  explicit CZelmorDlg(QWidget* parent = nullptr);
  CZelmorDlg(Choosers& choosers, Engines& engines, QWidget* parent = nullptr);
  ~CZelmorDlg() override;

  // Runs the dialog modally; returns when it is closed.
  int DoModal();

  // Run command.
  void OnGenerate();
  int RunConversion(QString inputPath);
  void DeriveOutputPath(const QString& inputPath);

  // Input and output selection.
  void OnChoosePicture();
  void OnChooseOutput();
  void OnDropFiles(const QStringList& names);

  // Line colour, size shortcuts and window chores.
  void OnChooseLineColor();
  void UpdateColorSwatch();
  void OnSelectAllSizes();
  void OnClearSizes();
  void OnSysCommand(int command, int parameter);

  // The menu's output choices and icon inspection.
  void OnMoreOptions();
  void OnInspectIcon();
  void OnInspectWrittenIcon();
  const MoreOptions& GetMoreOptions() const { return m_moreOptions; }

  // Control access by ID.
  QWidget* GetDlgItem(int id) const;
  QString GetDlgItemText(int id) const;
  void SetDlgItemText(int id, const QString& text);
  // Unsigned 32-bit; `translated` says whether the text was such a number.
  uint32_t GetDlgItemInt(int id, bool* translated) const;
  void SetDlgItemInt(int id, int value);
  // 1 ticked, 0 clear.
  int IsDlgButtonChecked(int id) const;
  void CheckDlgButton(int id, int state);

  // The menu the About entry lives in, opened by a right click on the dialog;
  // "更多选项...", "检查图标..." and, once a file was written, "检查刚生成的图标"
  // stand above it.
  QMenu* SystemMenu() const { return m_systemMenu; }

 protected:
  void DoDataExchange();
  bool OnInitDialog();
  // True when `event`, on its way to `target`, is to be dropped.
  bool PreTranslateMessage(QObject* target, QEvent* event);

  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void MessageBox(const QString& text, MessageIcon icon);
  // One engine run for `inputPaths`: one input, or (`merge`) all of them into
  // one icon.
  int Convert(const QStringList& inputPaths, bool merge);
  // Offers the file just written for inspection.
  void NoteWrittenIcon(const QString& path);
  void ShowInspection(const QString& path);
  void SetStatusNow(const QString& text);
  // Runs one handler and reports what escapes it, as the framework would,
  // so nothing reaches Qt's event loop.
  void RunHandler(const std::function<void()>& handler);
  void ConnectClick(int id, void (CZelmorDlg::*handler)());

  Choosers& choosers_;
  Engines& engines_;
  std::unique_ptr<DialogControls> controls_;
  ScopedMessageSink message_sink_;
  QMenu* m_systemMenu = nullptr;
  QAction* m_aboutSeparator = nullptr;
  QAction* m_inspectWrittenAction = nullptr;
  QString m_writtenIconPath;
  MoreOptions m_moreOptions;
  bool initialized_ = false;
  bool merging_ = false;  // a merge's engine run is in progress

  QIcon m_hIcon;
  QBrush m_colorBrush;
  QCheckBox* m_checkSize16 = nullptr;
  QCheckBox* m_checkSize24 = nullptr;
  QCheckBox* m_checkSize32 = nullptr;
  QCheckBox* m_checkSize48 = nullptr;
  QCheckBox* m_checkSize64 = nullptr;
  QCheckBox* m_checkSize96 = nullptr;
  QCheckBox* m_checkSize128 = nullptr;
  QCheckBox* m_checkSize256 = nullptr;
  QCheckBox* m_checkLines = nullptr;
  QRadioButton* m_radioDepth4 = nullptr;
  QRadioButton* m_radioDepth8 = nullptr;
  QRadioButton* m_radioDepth24 = nullptr;
  QRadioButton* m_radioDepth32 = nullptr;
  COLORREF m_lineColor;
};

// The application icon, in every size the program carries.
QIcon ApplicationIcon();

}  // namespace zelmor
