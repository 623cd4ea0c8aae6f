// Qt's own choosers and message box as the program shows them, answered by
// the test once they are up.
#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "app/choosers.h"
#include "app/translations.h"
#include "tests/app/dialog_harness.h"

namespace zelmor::testing {
namespace {

class QtChoosersTest : public ::testing::Test {
 protected:
  void TearDown() override { CancelAwaits(); }
};

template <typename Dialog>
Dialog* ActiveModal() {
  return qobject_cast<Dialog*>(QApplication::activeModalWidget());
}

TEST_F(QtChoosersTest, MessageBoxHasTheProgramCaptionItsIconAndOneChineseOk) {
  ASSERT_TRUE(InstallChineseTranslations(*qApp));
  QWidget owner;
  owner.show();
  const std::vector<std::pair<MessageIcon, QMessageBox::Icon>> icons = {
      {MessageIcon::kError, QMessageBox::Critical}, {MessageIcon::kWarning, QMessageBox::Warning}};
  for (const auto& [icon, shown] : icons) {
    QString caption, text, okText;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QWidget* parent = nullptr;
    Await([&] {
      auto* box = ActiveModal<QMessageBox>();
      if (box == nullptr) {
        return false;
      }
      caption = box->windowTitle();
      text = box->text();
      seenIcon = box->icon();
      buttons = box->standardButtons();
      parent = box->parentWidget();
      okText = box->button(QMessageBox::Ok)->text();
      box->button(QMessageBox::Ok)->click();
      return true;
    });
    QtChoosers().ShowMessageBox(&owner, "请先选择输入图片！", icon);
    EXPECT_EQ(caption, "Zelmor");
    EXPECT_EQ(text, "请先选择输入图片！");
    EXPECT_EQ(seenIcon, shown);
    EXPECT_EQ(buttons, QMessageBox::Ok);
    EXPECT_EQ(parent, &owner);
    EXPECT_EQ(okText, "确定");
  }
}

TEST_F(QtChoosersTest, PictureChooserOpensExistingFilesWithThePictureFilter) {
  TempDir dir;
  const std::string picture = dir.File("pick.png");
  WriteBytes(picture, {1});
  QStringList filters;
  QFileDialog::FileMode mode = QFileDialog::AnyFile;
  QFileDialog::AcceptMode accept = QFileDialog::AcceptSave;
  Await([&] {
    auto* chooser = ActiveModal<QFileDialog>();
    if (chooser == nullptr) {
      return false;
    }
    filters = chooser->nameFilters();
    mode = chooser->fileMode();
    accept = chooser->acceptMode();
    chooser->selectFile(Utf8(picture));
    static_cast<QDialog*>(chooser)->accept();  // dispatches to the file dialog's own
    return true;
  });
  const std::optional<QString> chosen = QtChoosers().ChoosePicture(nullptr);
  EXPECT_EQ(chosen, Utf8(picture));
  EXPECT_EQ(filters,
            (QStringList{"图片/图标文件 (*.png *.jpg *.jpeg *.bmp *.gif *.ico)", "所有文件 (*)"}));
  EXPECT_EQ(mode, QFileDialog::ExistingFile);
  EXPECT_EQ(accept, QFileDialog::AcceptOpen);
}

TEST_F(QtChoosersTest, OutputChooserProposesTheNameAndAddsIco) {
  TempDir dir;
  const QString proposed = Utf8(dir.File("logo生成.ico"));
  QStringList filters;
  QStringList initial;
  QString suffix;
  bool confirmsOverwrite = false;
  Await([&] {
    auto* chooser = ActiveModal<QFileDialog>();
    if (chooser == nullptr) {
      return false;
    }
    filters = chooser->nameFilters();
    initial = chooser->selectedFiles();
    suffix = chooser->defaultSuffix();
    confirmsOverwrite = !chooser->testOption(QFileDialog::DontConfirmOverwrite);
    chooser->selectFile(Utf8(dir.File("typed")));
    static_cast<QDialog*>(chooser)->accept();  // dispatches to the file dialog's own
    return true;
  });
  const std::optional<QString> chosen = QtChoosers().ChooseOutput(nullptr, proposed);
  EXPECT_EQ(chosen, Utf8(dir.File("typed.ico")));
  EXPECT_EQ(initial, QStringList{proposed});
  EXPECT_EQ(filters, (QStringList{"图标文件 (*.ico)", "所有文件 (*)"}));
  EXPECT_EQ(suffix, "ico");
  EXPECT_TRUE(confirmsOverwrite);

  Await([] {
    auto* chooser = ActiveModal<QFileDialog>();
    if (chooser != nullptr) {
      chooser->reject();
    }
    return chooser != nullptr;
  });
  EXPECT_EQ(QtChoosers().ChooseOutput(nullptr, proposed), std::nullopt);
}

TEST_F(QtChoosersTest, ColourChooserStartsAtTheColourAndAnswersAColorref) {
  QColor initial;
  Await([&] {
    auto* chooser = ActiveModal<QColorDialog>();
    if (chooser == nullptr) {
      return false;
    }
    initial = chooser->currentColor();
    chooser->setCurrentColor(QColor(1, 2, 3));
    chooser->accept();
    return true;
  });
  EXPECT_EQ(QtChoosers().ChooseColor(nullptr, 0x00336699), COLORREF{0x00030201});
  EXPECT_EQ(initial, QColor(0x99, 0x66, 0x33));

  Await([] {
    auto* chooser = ActiveModal<QColorDialog>();
    if (chooser != nullptr) {
      chooser->reject();
    }
    return chooser != nullptr;
  });
  EXPECT_EQ(QtChoosers().ChooseColor(nullptr, 255), std::nullopt);
}

}  // namespace
}  // namespace zelmor::testing
