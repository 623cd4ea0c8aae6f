// The "更多选项" window: its choices reach the engines, its defaults leave
// every run as it was, and several dropped files can make one icon.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/control_ids.h"
#include "app/more_options_dlg.h"
#include "generate/generate_icon.h"
#include "overlay/overlay_icon.h"
#include "platform/line_random.h"
#include "tests/app/dialog_harness.h"

namespace zelmor::testing {
namespace {

class MoreOptionsTest : public DialogTest {
 protected:
  QAction* MenuEntry(const QString& text) const {
    for (QAction* action : dialog_->SystemMenu()->actions()) {
      if (action->text() == text) {
        return action;
      }
    }
    return nullptr;
  }

  // Opens the window from the menu; `act` sees it (the texts of its boxes and
  // buttons toggled by `tick`) and closes it by OK or, with `confirm` false,
  // by Cancel.
  void ChooseOptions(const QStringList& tick, bool confirm = true,
                     std::function<void(CMoreOptionsDlg*)> look = {}) {
    bool seen = false;
    Await([&] {
      auto* options = qobject_cast<CMoreOptionsDlg*>(QApplication::activeModalWidget());
      if (options == nullptr) {
        return false;
      }
      seen = true;
      if (look) {
        look(options);
      }
      for (const QString& text : tick) {
        bool found = false;
        for (QAbstractButton* button : options->findChildren<QAbstractButton*>()) {
          if (button->text() == text) {
            QTest::mouseClick(button, Qt::LeftButton);
            found = true;
          }
        }
        EXPECT_TRUE(found) << Utf8(text);
      }
      auto* buttons = options->findChild<QDialogButtonBox*>();
      QTest::mouseClick(buttons->button(confirm ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel),
                        Qt::LeftButton);
      EXPECT_TRUE(options->isHidden());
      return true;
    });
    QAction* entry = MenuEntry("更多选项...");
    ASSERT_NE(entry, nullptr);
    entry->trigger();
    EXPECT_TRUE(seen);
  }
};

TEST_F(MoreOptionsTest, DefaultsWriteTheBytesOfTheOldEngineCalls) {
  const QString picture = MakePicture("wide.png");  // 20 x 12: the fit would show
  const QString icon = MakeIcon("in.ico");
  struct Case {
    const char* name;
    std::function<void()> arrange;
    QString input;
    std::function<bool(const std::string&)> oldCall;
  };
  const LineOverlaySettings noLines{false, 0, 0, 255};
  const LineOverlaySettings lines{true, 3, 6, 255};
  const std::vector<Case> cases = {
      {"every size at 8 bits",
       [&] {
         Click(IDC_BUTTON_SELECT_ALL);
         Click(IDC_RADIO_DEPTH8);
       },
       picture,
       [&](const std::string& out) {
         return zelmor::GenerateIconFile(Utf8(picture), out, noLines,
                                         {256, 128, 96, 64, 48, 32, 24, 16}, 8);
       }},
      {"lines at 32 bits", [&] { dialog_->CheckDlgButton(IDC_CHECK_LINES, 1); }, picture,
       [&](const std::string& out) {
         return zelmor::GenerateIconFile(Utf8(picture), out, lines, {48}, 32);
       }},
      {"an icon redrawn", [&] { dialog_->CheckDlgButton(IDC_CHECK_LINES, 1); }, icon,
       [&](const std::string& out) {
         return zelmor::OverlayLinesOnIconFile(Utf8(icon), out, 255, 3, 6);
       }},
  };
  int run = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    engines_.calls.clear();
    c.arrange();
    SetText(IDC_EDIT_MIN_LINES, "3");
    SetText(IDC_EDIT_MAX_LINES, "6");
    const std::string ours = dir_.File("ours" + std::to_string(run) + ".ico");
    const std::string old = dir_.File("old" + std::to_string(run++) + ".ico");
    SetText(IDC_EDIT_INPUT, c.input);
    SetText(IDC_EDIT_OUTPUT, Utf8(ours));
    LineRandom::Seed(99);
    Click(IDC_BUTTON_GENERATE);
    ASSERT_EQ(engines_.calls.size(), 1u);
    EXPECT_EQ(engines_.calls[0].settings.pngMinSize, 0);
    EXPECT_EQ(engines_.calls[0].settings.fit, FitMode::kStretch);
    EXPECT_EQ(engines_.calls[0].inputs, std::vector<std::string>{Utf8(c.input)});
    LineRandom::Seed(99);
    ASSERT_TRUE(c.oldCall(old));
    const std::vector<uint8_t> bytes = ReadBytes(ours);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes, ReadBytes(old));
  }
}

TEST_F(MoreOptionsTest, ChoicesReachBothEnginesAndLastAsLongAsTheWindow) {
  ChooseOptions({"40*40", "72*72", "8位", "32位", "填满裁剪", "PNG 压缩 256 像素图像"});
  dialog_->CheckDlgButton(IDC_CHECK_SIZE256, 1);
  SetText(IDC_EDIT_INPUT, MakePicture("wide.png"));
  Click(IDC_BUTTON_GENERATE);
  ASSERT_EQ(engines_.calls.size(), 1u);
  const EngineCall& call = engines_.calls[0];
  EXPECT_EQ(call.sizes, (std::vector<int32_t>{256, 72, 48, 40}));
  EXPECT_EQ(call.settings.depths, (std::vector<int32_t>{32, 8})) << "32 is the chosen depth";
  EXPECT_EQ(call.settings.pngMinSize, 256);
  EXPECT_EQ(call.settings.fit, FitMode::kCover);
  EXPECT_EQ(IconSizes(Text(IDC_EDIT_OUTPUT)), (std::vector<int>{256, 256, 72, 72, 48, 48, 40, 40}));
  EXPECT_EQ(Text(IDC_STATIC_STATUS), "生成成功：" + Text(IDC_EDIT_OUTPUT));

  // Sizes and depths play no part for an icon; PNG storage does.
  SetText(IDC_EDIT_INPUT, MakeIcon("in.ico"));
  SetText(IDC_EDIT_OUTPUT, "");
  Click(IDC_BUTTON_GENERATE);
  ASSERT_EQ(engines_.calls.size(), 2u);
  EXPECT_TRUE(engines_.calls[1].overlay);
  EXPECT_EQ(engines_.calls[1].settings.pngMinSize, 256);

  // Cancel changes nothing; the window opens with the choices in force.
  const MoreOptions before = dialog_->GetMoreOptions();
  QStringList ticked;
  ChooseOptions({"20*20", "拉伸"}, false, [&ticked](CMoreOptionsDlg* options) {
    for (QAbstractButton* button : options->findChildren<QAbstractButton*>()) {
      if (button->isCheckable() && button->isChecked()) {
        ticked.append(button->text());
      }
    }
  });
  EXPECT_EQ(ticked,
            (QStringList{"40*40", "72*72", "8位", "32位", "填满裁剪", "PNG 压缩 256 像素图像"}));
  EXPECT_EQ(dialog_->GetMoreOptions(), before);

  // Extra sizes alone are enough to run.
  Click(IDC_BUTTON_CLEAR_SIZES);
  SetText(IDC_EDIT_INPUT, MakePicture("only-extra.png"));
  Click(IDC_BUTTON_GENERATE);
  ASSERT_EQ(engines_.calls.size(), 3u);
  EXPECT_EQ(engines_.calls[2].sizes, (std::vector<int32_t>{72, 40}));
}

TEST_F(MoreOptionsTest, MergedDropMakesOneIconBesideTheFirstFile) {
  const QString first = MakePicture("first.png");
  const QString second = MakePicture("second.png");
  const QString icon = MakeIcon("third.ico");

  ChooseOptions({"多个拖入文件合成一个图标"});
  dialog_->CheckDlgButton(IDC_CHECK_SIZE16, 1);
  DropFiles({first, second, icon});
  ASSERT_EQ(engines_.calls.size(), 1u);
  const EngineCall& call = engines_.calls[0];
  EXPECT_FALSE(call.overlay) << "an .ico among merged files offers its entries";
  EXPECT_EQ(call.inputs, (std::vector<std::string>{Utf8(first), Utf8(second), Utf8(icon)}));
  const QString output = Utf8(dir_.File("first生成.ico"));
  EXPECT_EQ(call.output, Utf8(output));
  EXPECT_EQ(call.sizes, (std::vector<int32_t>{48, 16}));
  EXPECT_EQ(call.state.status, "正在生成，请稍候...");
  EXPECT_EQ(Text(IDC_EDIT_INPUT), first);
  EXPECT_EQ(Text(IDC_STATIC_STATUS), "生成成功：" + output);
  EXPECT_EQ(IconSizes(output), (std::vector<int>{48, 16}));
  EXPECT_FALSE(QFile::exists(Utf8(dir_.File("second生成.ico"))));

  // A lone dropped file runs as ever, an icon redrawn.
  engines_.calls.clear();
  DropFiles({icon});
  ASSERT_EQ(engines_.calls.size(), 1u);
  EXPECT_TRUE(engines_.calls[0].overlay);

  // A file that does not decode fails the whole merge; its message names it.
  engines_.calls.clear();
  choosers_.messages.clear();
  const std::string broken = dir_.File("broken.png");
  WriteBytes(broken, {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'});
  QFile::remove(output);
  DropFiles({first, Utf8(broken)});
  ASSERT_EQ(engines_.calls.size(), 1u);
  ASSERT_EQ(choosers_.messages.size(), 1u);
  EXPECT_TRUE(choosers_.messages[0].text.startsWith("broken.png："))
      << Utf8(choosers_.messages[0].text);
  EXPECT_EQ(Text(IDC_STATIC_STATUS), "生成失败，请检查参数");
  EXPECT_FALSE(QFile::exists(output));

  // A missing file stops the merge before any engine runs.
  engines_.calls.clear();
  DropFiles({first, Utf8(dir_.File("gone.png"))});
  EXPECT_TRUE(engines_.calls.empty());
  ASSERT_FALSE(choosers_.messages.empty());
  EXPECT_EQ(choosers_.messages.back().text, "输入文件不存在！");
}

TEST_F(MoreOptionsTest, WithoutMergingADropConvertsEachFile) {
  const QString first = MakePicture("first.png");
  const QString second = MakePicture("second.png");
  DropFiles({first, second});
  ASSERT_EQ(engines_.calls.size(), 2u);
  EXPECT_EQ(engines_.calls[0].inputs, std::vector<std::string>{Utf8(first)});
  EXPECT_EQ(engines_.calls[1].inputs, std::vector<std::string>{Utf8(second)});
}

}  // namespace
}  // namespace zelmor::testing
