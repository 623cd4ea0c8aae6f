// Keys the dialog ignores, the size shortcuts, the line colour, the About
// box, and failures that end a handler.
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPalette>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <new>
#include <stdexcept>

#include "app/about_dlg.h"
#include "app/control_ids.h"
#include "platform/files.h"
#include "tests/app/dialog_harness.h"

namespace zelmor::testing {
namespace {

using WindowChoresTest = DialogTest;

TEST_F(WindowChoresTest, EnterAndEscapeDoNothingWhereverTheFocusIs) {
  SetText(IDC_EDIT_INPUT, MakePicture("p.png"));
  const std::vector<int> targets = {IDC_EDIT_INPUT, IDC_EDIT_MIN_LINES, IDC_BUTTON_GENERATE,
                                    IDC_BUTTON_SELECT_ALL, IDC_CHECK_SIZE16};
  for (const int id : targets) {
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
      Item(id)->setFocus();
      QTest::keyClick(Item(id), key);
      EXPECT_TRUE(dialog_->isVisible()) << "key " << key << " on " << id;
      EXPECT_EQ(dialog_->IsDlgButtonChecked(IDC_CHECK_SIZE24), 0) << "key " << key << " on " << id;
    }
  }
  QTest::keyClick(dialog_.get(), Qt::Key_Escape);
  EXPECT_TRUE(dialog_->isVisible());
  EXPECT_TRUE(engines_.calls.empty());
  EXPECT_TRUE(choosers_.messages.empty());
  EXPECT_EQ(dialog_->result(), QDialog::Rejected);
}

TEST_F(WindowChoresTest, OtherKeysStillWork) {
  Item(IDC_BUTTON_SELECT_ALL)->setFocus();
  QTest::keyClick(Item(IDC_BUTTON_SELECT_ALL), Qt::Key_Space);
  EXPECT_EQ(dialog_->IsDlgButtonChecked(IDC_CHECK_SIZE256), 1);
  Edit(IDC_EDIT_INPUT)->setFocus();
  QTest::keyClicks(Edit(IDC_EDIT_INPUT), "ab");
  EXPECT_EQ(Text(IDC_EDIT_INPUT), "ab");
}

TEST_F(WindowChoresTest, SelectAllAndClearTouchOnlyTheSizes) {
  const std::vector<int> sizes = {IDC_CHECK_SIZE16,  IDC_CHECK_SIZE24, IDC_CHECK_SIZE32,
                                  IDC_CHECK_SIZE48,  IDC_CHECK_SIZE64, IDC_CHECK_SIZE96,
                                  IDC_CHECK_SIZE128, IDC_CHECK_SIZE256};
  Click(IDC_RADIO_DEPTH8);
  dialog_->CheckDlgButton(IDC_CHECK_LINES, 1);
  const QString status = Text(IDC_STATIC_STATUS);
  for (const auto& [button, state] :
       {std::pair{IDC_BUTTON_SELECT_ALL, 1}, std::pair{IDC_BUTTON_CLEAR_SIZES, 0},
        std::pair{IDC_BUTTON_SELECT_ALL, 1}}) {
    Click(button);
    for (const int id : sizes) {
      EXPECT_EQ(dialog_->IsDlgButtonChecked(id), state) << "button " << button << " box " << id;
    }
    EXPECT_EQ(dialog_->IsDlgButtonChecked(IDC_RADIO_DEPTH8), 1);
    EXPECT_EQ(dialog_->IsDlgButtonChecked(IDC_CHECK_LINES), 1);
    EXPECT_EQ(Text(IDC_STATIC_STATUS), status);
  }
  SetText(IDC_EDIT_INPUT, MakePicture("all.png"));
  Click(IDC_BUTTON_GENERATE);
  EXPECT_EQ(IconSizes(Text(IDC_EDIT_OUTPUT)), (std::vector<int>{256, 128, 96, 64, 48, 32, 24, 16}));
}

TEST_F(WindowChoresTest, ChosenColourShowsAtOnceAndReachesBothEngines) {
  QWidget* swatch = Item(IDC_STATIC_COLOR_SWATCH);
  QColor painted;
  class Watcher final : public QObject {
   public:
    explicit Watcher(QColor* painted) : painted_(painted) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
      if (event->type() == QEvent::Paint) {
        *painted_ = static_cast<QWidget*>(watched)->palette().color(QPalette::Window);
      }
      return false;
    }
    QColor* painted_;
  } watcher(&painted);
  swatch->installEventFilter(&watcher);

  const COLORREF blue = 0xFF0000;
  choosers_.colors.push_back(blue);
  Button(IDC_BUTTON_COLOR)->click();
  EXPECT_EQ(painted, QColor(0, 0, 255)) << "the swatch was not repainted at once";
  const QImage shown = swatch->grab().toImage();
  EXPECT_EQ(shown.pixelColor(shown.rect().center()), QColor(0, 0, 255));

  Button(IDC_BUTTON_COLOR)->click();  // cancelled: nothing changes
  ASSERT_EQ(choosers_.initialColors, (std::vector<COLORREF>{255, blue}));
  EXPECT_EQ(swatch->palette().color(QPalette::Window), QColor(0, 0, 255));
  swatch->removeEventFilter(&watcher);

  engines_.result = true;
  dialog_->CheckDlgButton(IDC_CHECK_LINES, 1);
  SetText(IDC_EDIT_INPUT, MakePicture("p.png"));
  Click(IDC_BUTTON_GENERATE);
  SetText(IDC_EDIT_INPUT, MakeIcon("p.ico"));
  Click(IDC_BUTTON_GENERATE);
  ASSERT_EQ(engines_.calls.size(), 2u);
  EXPECT_EQ(engines_.calls[0].lines.color, blue);
  EXPECT_TRUE(engines_.calls[0].lines.enabled);
  EXPECT_EQ(engines_.calls[1].lines.color, blue);
}

// What an About box showed, and how it was closed.
struct AboutSeen {
  QString caption;
  QStringList texts;
  bool hasIcon = false;
  bool closed = false;
};

// Inspects the About box when it appears and closes it with `close`.
void AwaitAbout(AboutSeen* seen, std::function<void(CAboutDlg*)> close) {
  Await([seen, close = std::move(close)] {
    auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
    if (about == nullptr) {
      return false;
    }
    seen->caption = about->windowTitle();
    for (QLabel* label : about->findChildren<QLabel*>()) {
      if (!label->pixmap().isNull()) {
        seen->hasIcon = true;
      } else {
        seen->texts.append(label->text());
      }
    }
    for (QPushButton* button : about->findChildren<QPushButton*>()) {
      seen->texts.append(button->text());
    }
    close(about);
    seen->closed = about->isHidden();
    if (!seen->closed) {
      about->reject();  // so the test goes on to report it
    }
    return true;
  });
}

TEST_F(WindowChoresTest, AboutEntryOfTheDialogMenuShowsTheAboutBox) {
  QStringList entries;
  Await([&entries] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) {
      return false;
    }
    for (QAction* action : menu->actions()) {
      entries.append(action->text());
    }
    QTest::keyClick(menu, Qt::Key_Up);  // About is the last entry
    QTest::keyClick(menu, Qt::Key_Return);
    if (menu->isVisible()) {
      ADD_FAILURE() << "the menu ignored Enter";
      menu->close();
    }
    return true;
  });
  AboutSeen seen;
  AwaitAbout(&seen, [](CAboutDlg* about) { QTest::keyClick(about, Qt::Key_Return); });

  const QPoint background(4, 4);
  QContextMenuEvent event(QContextMenuEvent::Mouse, background, dialog_->mapToGlobal(background));
  QCoreApplication::sendEvent(dialog_.get(), &event);

  EXPECT_EQ(entries, (QStringList{"更多选项...", "检查图标...", "", "关于 Zelmor(&A)..."}));
  EXPECT_TRUE(seen.closed);
  EXPECT_EQ(seen.caption, "关于 Zelmor");
  EXPECT_TRUE(seen.hasIcon);
  EXPECT_EQ(seen.texts, (QStringList{"Zelmor，版本 1.0", "确定"}));
  EXPECT_TRUE(dialog_->isVisible());
}

TEST_F(WindowChoresTest, AboutBoxEndsByOkEnterEscapeOrCloseBox) {
  const std::vector<std::pair<const char*, std::function<void(CAboutDlg*)>>> closers = {
      {"OK",
       [](CAboutDlg* about) {
         QTest::mouseClick(about->findChild<QPushButton*>(), Qt::LeftButton);
       }},
      {"Enter", [](CAboutDlg* about) { QTest::keyClick(about, Qt::Key_Return); }},
      {"Escape", [](CAboutDlg* about) { QTest::keyClick(about, Qt::Key_Escape); }},
      {"close box", [](CAboutDlg* about) { about->close(); }},
  };
  for (const auto& [name, close] : closers) {
    AboutSeen seen;
    AwaitAbout(&seen, close);
    dialog_->OnSysCommand(IDM_ABOUTBOX, 0);
    EXPECT_TRUE(seen.closed) << name;
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << name;
  }
}

TEST_F(WindowChoresTest, FileErrorEndsTheHandlerAndTheRestOfTheDrop) {
  const QString first = MakePicture("first.png");
  const QString second = MakePicture("second.png");
  const std::vector<std::pair<FileError::Cause, QString>> causes = {
      {FileError::Cause::kDiskFull, "访问 %1 时磁盘已满。"},
      {FileError::Cause::kOther, "访问 %1 时发生了未知错误。"},
  };
  for (const auto& [cause, text] : causes) {
    choosers_.messages.clear();
    engines_.calls.clear();
    SetOutputFaultForTesting(OutputFault{10, cause});
    DropFiles({first, second});
    const QString output = Utf8(dir_.File("first生成.ico"));
    ASSERT_EQ(engines_.calls.size(), 1u) << "the drop went on after the file error";
    ASSERT_EQ(choosers_.messages.size(), 1u);
    EXPECT_EQ(choosers_.messages[0].text, text.arg(output));
    EXPECT_EQ(choosers_.messages[0].icon, MessageIcon::kError);
    EXPECT_EQ(choosers_.messages[0].owner, dialog_.get());
    EXPECT_EQ(Text(IDC_STATIC_STATUS), "正在生成，请稍候...");
    EXPECT_EQ(Text(IDC_EDIT_INPUT), first);
    EXPECT_FALSE(QFile::exists(output));

    // The same failure from the generate button.
    choosers_.messages.clear();
    SetText(IDC_EDIT_INPUT, second);
    SetText(IDC_EDIT_OUTPUT, "");
    Click(IDC_BUTTON_GENERATE);
    ASSERT_EQ(choosers_.messages.size(), 1u);
    EXPECT_EQ(choosers_.messages[0].text, text.arg(Utf8(dir_.File("second生成.ico"))));
    EXPECT_EQ(Text(IDC_STATIC_STATUS), "正在生成，请稍候...");
  }
}

TEST_F(WindowChoresTest, OtherFailuresInAHandlerEndInAnErrorBox) {
  SetText(IDC_EDIT_INPUT, MakePicture("p.png"));
  const std::vector<std::pair<std::function<void()>, QString>> failures = {
      {[] { throw std::bad_alloc(); }, "内存不足。"},
      {[] { throw std::runtime_error("boom"); }, "发生了意外错误：boom"},
      {[] { throw 42; }, "发生了意外错误。"},
  };
  for (const auto& [fail, text] : failures) {
    choosers_.messages.clear();
    engines_.during = fail;
    Click(IDC_BUTTON_GENERATE);
    ASSERT_EQ(choosers_.messages.size(), 1u) << Utf8(text);
    EXPECT_EQ(choosers_.messages[0].text, text);
    EXPECT_EQ(choosers_.messages[0].icon, MessageIcon::kError);
  }
}

}  // namespace
}  // namespace zelmor::testing
