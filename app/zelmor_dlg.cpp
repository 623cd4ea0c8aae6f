// Construction, initial state and control access of the main dialog.
#include "app/zelmor_dlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <ctime>
#include <exception>
#include <new>

#include "app/control_ids.h"
#include "app/dialog_number.h"
#include "app/dialog_template.h"
#include "platform/files.h"
#include "platform/line_random.h"

namespace zelmor {
namespace {

QtChoosers& ProgramChoosers() {
  static QtChoosers choosers;
  return choosers;
}

template <typename Control>
Control* Bind(const DialogControls& controls, int id) {
  return qobject_cast<Control*>(controls.Item(id));
}

}  // namespace

CZelmorDlg::CZelmorDlg(QWidget* parent) : CZelmorDlg(ProgramChoosers(), ProgramEngines(), parent) {}

CZelmorDlg::CZelmorDlg(Choosers& choosers, Engines& engines, QWidget* parent)
    : QDialog(parent),
      choosers_(choosers),
      engines_(engines),
      message_sink_([this](const std::string& text, MessageIcon icon) {
        QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        // A merge's message may be about any of its files: name the one.
        if (merging_ && !MessageSubject().empty()) {
          shown = QStringLiteral("%1：%2").arg(
              QFileInfo(QString::fromStdString(MessageSubject())).fileName(), shown);
        }
        MessageBox(shown, icon);
      }),
      m_hIcon(ApplicationIcon()),
      m_lineColor(255) {
  // Caption, close box and a sizing border; no minimise or maximise box.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  controls_ = std::make_unique<DialogControls>(this, MainDialogTemplate(), m_hIcon);
  DoDataExchange();

  ConnectClick(IDC_BUTTON_COLOR, &CZelmorDlg::OnChooseLineColor);
  ConnectClick(IDC_BUTTON_CHOOSE_PICTURE, &CZelmorDlg::OnChoosePicture);
  ConnectClick(IDC_BUTTON_CHOOSE_OUTPUT, &CZelmorDlg::OnChooseOutput);
  ConnectClick(IDC_BUTTON_GENERATE, &CZelmorDlg::OnGenerate);
  ConnectClick(IDC_BUTTON_SELECT_ALL, &CZelmorDlg::OnSelectAllSizes);
  ConnectClick(IDC_BUTTON_CLEAR_SIZES, &CZelmorDlg::OnClearSizes);

  // Keys reach this filter before any control of the dialog sees them.
  qApp->installEventFilter(this);
}

CZelmorDlg::~CZelmorDlg() = default;

int CZelmorDlg::DoModal() {
  return exec();
}

void CZelmorDlg::ConnectClick(int id, void (CZelmorDlg::*handler)()) {
  auto* button = qobject_cast<QAbstractButton*>(GetDlgItem(id));
  connect(button, &QAbstractButton::clicked, this,
          [this, handler] { RunHandler([this, handler] { (this->*handler)(); }); });
}

void CZelmorDlg::DoDataExchange() {
  m_checkSize16 = Bind<QCheckBox>(*controls_, IDC_CHECK_SIZE16);
  m_checkSize24 = Bind<QCheckBox>(*controls_, IDC_CHECK_SIZE24);
  m_checkSize32 = Bind<QCheckBox>(*controls_, IDC_CHECK_SIZE32);
  m_checkSize48 = Bind<QCheckBox>(*controls_, IDC_CHECK_SIZE48);
  m_checkSize64 = Bind<QCheckBox>(*controls_, IDC_CHECK_SIZE64);
  m_checkSize96 = Bind<QCheckBox>(*controls_, IDC_CHECK_SIZE96);
  m_checkSize128 = Bind<QCheckBox>(*controls_, IDC_CHECK_SIZE128);
  m_checkSize256 = Bind<QCheckBox>(*controls_, IDC_CHECK_SIZE256);
  m_checkLines = Bind<QCheckBox>(*controls_, IDC_CHECK_LINES);
  m_radioDepth4 = Bind<QRadioButton>(*controls_, IDC_RADIO_DEPTH4);
  m_radioDepth8 = Bind<QRadioButton>(*controls_, IDC_RADIO_DEPTH8);
  m_radioDepth24 = Bind<QRadioButton>(*controls_, IDC_RADIO_DEPTH24);
  m_radioDepth32 = Bind<QRadioButton>(*controls_, IDC_RADIO_DEPTH32);
}

bool CZelmorDlg::OnInitDialog() {
  m_systemMenu = new QMenu(this);
  m_systemMenu->addAction(QStringLiteral("更多选项..."), this,
                          [this] { RunHandler([this] { OnMoreOptions(); }); });
  m_systemMenu->addAction(QStringLiteral("检查图标..."), this,
                          [this] { RunHandler([this] { OnInspectIcon(); }); });
  m_aboutSeparator = m_systemMenu->addSeparator();
  m_systemMenu->addAction(QString::fromUtf8(kAboutMenuText), this,
                          [this] { RunHandler([this] { OnSysCommand(IDM_ABOUTBOX, 0); }); });

  setWindowIcon(m_hIcon);
  setAcceptDrops(true);
  setWindowTitle(QStringLiteral("ICO 图标生成器 v2.0"));

  CheckDlgButton(IDC_CHECK_SIZE48, 1);
  CheckDlgButton(IDC_RADIO_DEPTH32, 1);
  SetDlgItemInt(IDC_EDIT_MIN_LINES, 5);
  SetDlgItemInt(IDC_EDIT_MAX_LINES, 10);
  SetDlgItemText(IDC_BUTTON_COLOR, QStringLiteral("颜色"));
  SetDlgItemText(IDC_STATIC_STATUS, QStringLiteral("就绪：拖拽图片或点击“选择图片”开始"));
  UpdateColorSwatch();

  LineRandom::Seed(static_cast<uint32_t>(std::time(nullptr)));

  // The focus starts on the first control Tab reaches.
  for (QWidget* control : controls_->InOrder()) {
    if (control->focusPolicy() & Qt::TabFocus) {
      control->setFocus(Qt::OtherFocusReason);
      break;
    }
  }
  return true;
}

void CZelmorDlg::showEvent(QShowEvent* event) {
  if (!initialized_) {
    initialized_ = true;
    RunHandler([this] { OnInitDialog(); });
  }
  QDialog::showEvent(event);
}

QWidget* CZelmorDlg::GetDlgItem(int id) const {
  return controls_->Item(id);
}

QString CZelmorDlg::GetDlgItemText(int id) const {
  QWidget* control = GetDlgItem(id);
  if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    return edit->text();
  }
  if (auto* label = qobject_cast<QLabel*>(control)) {
    return label->text();
  }
  if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    return button->text();
  }
  return {};
}

void CZelmorDlg::SetDlgItemText(int id, const QString& text) {
  QWidget* control = GetDlgItem(id);
  if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    edit->setText(text);
  } else if (auto* label = qobject_cast<QLabel*>(control)) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    button->setText(text);
  }
}

uint32_t CZelmorDlg::GetDlgItemInt(int id, bool* translated) const {
  const std::optional<uint32_t> value = ParseUnsignedDialogNumber(GetDlgItemText(id));
  *translated = value.has_value();
  return value.value_or(0);
}

void CZelmorDlg::SetDlgItemInt(int id, int value) {
  SetDlgItemText(id, QString::number(value));
}

int CZelmorDlg::IsDlgButtonChecked(int id) const {
  auto* button = qobject_cast<QAbstractButton*>(GetDlgItem(id));
  if (auto* box = qobject_cast<QCheckBox*>(button)) {
    switch (box->checkState()) {
      case Qt::Checked:
        return 1;
      case Qt::PartiallyChecked:
        return 2;
      case Qt::Unchecked:
        return 0;
    }
  }
  return button != nullptr && button->isChecked() ? 1 : 0;
}

void CZelmorDlg::CheckDlgButton(int id, int state) {
  QWidget* control = GetDlgItem(id);
  if (auto* box = qobject_cast<QCheckBox*>(control)) {
    box->setCheckState(state == 1   ? Qt::Checked
                       : state == 2 ? Qt::PartiallyChecked
                                    : Qt::Unchecked);
    return;
  }
  auto* button = qobject_cast<QAbstractButton*>(control);
  if (button == nullptr) {
    return;
  }
  // An exclusive group refuses to clear its checked button; a cleared radio
  // button is a state the dialog may still be put in.
  QButtonGroup* group = controls_->RadioGroupOf(control);
  const bool exclusive = group != nullptr && group->exclusive();
  if (exclusive && state == 0) {
    group->setExclusive(false);
  }
  button->setChecked(state != 0);
  if (exclusive && state == 0) {
    group->setExclusive(true);
  }
}

void CZelmorDlg::MessageBox(const QString& text, MessageIcon icon) {
  choosers_.ShowMessageBox(this, text, icon);
}

void CZelmorDlg::SetStatusNow(const QString& text) {
  SetDlgItemText(IDC_STATIC_STATUS, text);
  // The engine blocks the thread next; paint the text before it does.
  repaint();
}

void CZelmorDlg::RunHandler(const std::function<void()>& handler) {
  QString failure;
  try {
    handler();
    return;
  } catch (const FileError& error) {
    failure = QString::fromStdString(error.UserText());
  } catch (const std::bad_alloc&) {
    failure = QStringLiteral("内存不足。");
  } catch (const std::exception& error) {
    failure = QStringLiteral("发生了意外错误：%1").arg(QString::fromUtf8(error.what()));
  } catch (...) {
    failure = QStringLiteral("发生了意外错误。");
  }
  try {
    MessageBox(failure, MessageIcon::kError);
  } catch (...) {
    // Not even the box could be shown; the handler has ended either way.
  }
}

}  // namespace zelmor
