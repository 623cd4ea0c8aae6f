// The dialog right after start: defaults, title, focus, window and seed.
#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <ctime>

#include "app/control_ids.h"
#include "platform/line_random.h"
#include "tests/app/dialog_harness.h"

namespace zelmor::testing {
namespace {

using InitialStateTest = DialogTest;

TEST_F(InitialStateTest, OnlyTheDefaultsAreSet) {
  const std::vector<std::pair<int, int>> ticks = {
      {IDC_CHECK_SIZE16, 0},  {IDC_CHECK_SIZE24, 0}, {IDC_CHECK_SIZE32, 0},  {IDC_CHECK_SIZE48, 1},
      {IDC_CHECK_SIZE64, 0},  {IDC_CHECK_SIZE96, 0}, {IDC_CHECK_SIZE128, 0}, {IDC_CHECK_SIZE256, 0},
      {IDC_CHECK_LINES, 0},   {IDC_RADIO_DEPTH4, 0}, {IDC_RADIO_DEPTH8, 0},  {IDC_RADIO_DEPTH24, 0},
      {IDC_RADIO_DEPTH32, 1},
  };
  for (const auto& [id, state] : ticks) {
    EXPECT_EQ(dialog_->IsDlgButtonChecked(id), state) << id;
  }
  EXPECT_EQ(Text(IDC_EDIT_MIN_LINES), "5");
  EXPECT_EQ(Text(IDC_EDIT_MAX_LINES), "10");
  EXPECT_EQ(Text(IDC_EDIT_INPUT), "");
  EXPECT_EQ(Text(IDC_EDIT_OUTPUT), "");
  EXPECT_EQ(Text(IDC_BUTTON_COLOR), "颜色");
  EXPECT_EQ(Text(IDC_STATIC_STATUS), "就绪：拖拽图片或点击“选择图片”开始");
  EXPECT_EQ(dialog_->windowTitle(), "ICO 图标生成器 v2.0");
}

TEST_F(InitialStateTest, SwatchShowsRed) {
  QWidget* swatch = Item(IDC_STATIC_COLOR_SWATCH);
  ASSERT_TRUE(swatch->autoFillBackground());
  EXPECT_EQ(swatch->palette().color(QPalette::Window), QColor(255, 0, 0));
  const QImage shown = swatch->grab().toImage();
  EXPECT_EQ(shown.pixelColor(shown.rect().center()), QColor(255, 0, 0));
}

TEST_F(InitialStateTest, FocusStartsOnTheFirstSizeBox) {
  EXPECT_EQ(dialog_->focusWidget(), Item(IDC_CHECK_SIZE16));
}

TEST_F(InitialStateTest, WindowHasCloseBoxIconAndNoMinimiseOrMaximise) {
  const Qt::WindowFlags flags = dialog_->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(flags & Qt::WindowTitleHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  const QIcon icon = dialog_->windowIcon();
  for (const int size : {16, 32, 48, 256}) {
    EXPECT_EQ(icon.pixmap(size, size).width(), size) << "no " << size << " px window icon";
  }
}

TEST_F(InitialStateTest, CloseBoxEndsTheModalRun) {
  dialog_->hide();  // exec() makes a hidden dialog modal as it shows it
  Await([this] {
    if (QApplication::activeModalWidget() != dialog_.get()) {
      return false;
    }
    dialog_->close();
    return true;
  });
  EXPECT_EQ(dialog_->DoModal(), QDialog::Rejected);
  EXPECT_FALSE(dialog_->isVisible());
}

TEST(LineRandomSeed, IsTheClockInSecondsWhenTheDialogOpens) {
  ScriptedChoosers choosers;
  RecordingEngines engines;
  LineRandom::Seed(1);
  CZelmorDlg dialog(choosers, engines);
  EXPECT_EQ(LineRandom::State(), 1u) << "seeded before the dialog opened";
  const auto before = static_cast<uint32_t>(std::time(nullptr));
  dialog.show();
  const auto after = static_cast<uint32_t>(std::time(nullptr));
  EXPECT_GE(LineRandom::State(), before);
  EXPECT_LE(LineRandom::State(), after);
}

}  // namespace
}  // namespace zelmor::testing
