// The generate button: the checks before an engine runs, what each engine
// receives, and the status texts around the run.
#include <QFile>
#include <QLabel>
#include <filesystem>

#include "app/control_ids.h"
#include "tests/app/dialog_harness.h"

namespace zelmor::testing {
namespace {

using RunConversionTest = DialogTest;

TEST_F(RunConversionTest, ChecksStopTheRunWithTheirMessage) {
  const QString picture = MakePicture("logo.png");
  struct Case {
    const char* name;
    std::function<void()> arrange;
    QString message;
    MessageIcon icon;
  };
  const std::vector<Case> cases = {
      {"empty input", [] {}, "请先选择输入图片！", MessageIcon::kWarning},
      {"missing input", [&] { SetText(IDC_EDIT_INPUT, Utf8(dir_.File("nothing.png"))); },
       "输入文件不存在！", MessageIcon::kError},
      {"empty maximum",
       [&] {
         SetText(IDC_EDIT_INPUT, picture);
         dialog_->CheckDlgButton(IDC_CHECK_LINES, 1);
         SetText(IDC_EDIT_MAX_LINES, "");
       },
       "请输入有效的画线数量范围！", MessageIcon::kWarning},
      {"minimum not a number",
       [&] {
         SetText(IDC_EDIT_INPUT, picture);
         dialog_->CheckDlgButton(IDC_CHECK_LINES, 1);
         SetText(IDC_EDIT_MIN_LINES, "4x");
       },
       "请输入有效的画线数量范围！", MessageIcon::kWarning},
      {"maximum beyond 32 bits",
       [&] {
         SetText(IDC_EDIT_INPUT, picture);
         dialog_->CheckDlgButton(IDC_CHECK_LINES, 1);
         SetText(IDC_EDIT_MAX_LINES, "4294967296");
       },
       "请输入有效的画线数量范围！", MessageIcon::kWarning},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    c.arrange();
    const QString status = Text(IDC_STATIC_STATUS);
    Click(IDC_BUTTON_GENERATE);
    ASSERT_EQ(choosers_.messages.size(), 1u);
    EXPECT_EQ(choosers_.messages[0].text, c.message);
    EXPECT_EQ(choosers_.messages[0].icon, c.icon);
    EXPECT_EQ(choosers_.messages[0].owner, dialog_.get());
    EXPECT_EQ(Text(IDC_STATIC_STATUS), status);
    EXPECT_EQ(Text(IDC_EDIT_OUTPUT), "") << "a check before the lines fills no output";
    EXPECT_TRUE(engines_.calls.empty());
    choosers_.messages.clear();
  }
}

TEST_F(RunConversionTest, NoSizeTickedWarnsAfterFillingTheOutput) {
  const QString picture = MakePicture("logo.png");
  SetText(IDC_EDIT_INPUT, picture);
  Click(IDC_BUTTON_CLEAR_SIZES);
  Click(IDC_BUTTON_GENERATE);
  ASSERT_EQ(choosers_.messages.size(), 1u);
  EXPECT_EQ(choosers_.messages[0].text, "请至少选择一个图标尺寸！");
  EXPECT_EQ(choosers_.messages[0].icon, MessageIcon::kWarning);
  EXPECT_EQ(choosers_.messages[0].state.output, Utf8(dir_.File("logo生成.ico")));
  EXPECT_EQ(Text(IDC_STATIC_STATUS), "就绪：拖拽图片或点击“选择图片”开始");
  EXPECT_TRUE(engines_.calls.empty());
}

TEST_F(RunConversionTest, PictureRunWritesTheDerivedOutputAndReportsIt) {
  const QString picture = MakePicture("logo.PNG");
  const QString expected = Utf8(dir_.File("logo生成.ico"));
  SetText(IDC_EDIT_INPUT, picture);
  Click(IDC_BUTTON_GENERATE);
  EXPECT_TRUE(choosers_.messages.empty());
  ASSERT_EQ(engines_.calls.size(), 1u);
  const EngineCall& call = engines_.calls[0];
  EXPECT_FALSE(call.overlay);
  EXPECT_EQ(call.input, Utf8(picture));
  EXPECT_EQ(call.output, Utf8(expected));
  EXPECT_EQ(call.sizes, std::vector<int32_t>{48});
  EXPECT_EQ(call.bitDepth, 32);
  EXPECT_FALSE(call.lines.enabled);
  EXPECT_EQ(call.lines.minCount, 0);
  EXPECT_EQ(call.lines.maxCount, 0);
  EXPECT_EQ(call.state.status, "正在生成，请稍候...");
  EXPECT_EQ(call.state.paintedStatus, "正在生成，请稍候...") << "not painted before the run";
  EXPECT_EQ(Text(IDC_EDIT_OUTPUT), expected);
  EXPECT_EQ(Text(IDC_STATIC_STATUS), "生成成功：" + expected);
  EXPECT_EQ(IconSizes(expected), std::vector<int>{48});
}

TEST_F(RunConversionTest, IcoRunOverlaysWhateverTheSizesAndDepth) {
  const QString icon = MakeIcon("App.ICO");
  const QString expected = Utf8(dir_.File("App生成.ico"));
  SetText(IDC_EDIT_INPUT, icon);
  Click(IDC_BUTTON_CLEAR_SIZES);
  dialog_->CheckDlgButton(IDC_RADIO_DEPTH32, 0);
  dialog_->CheckDlgButton(IDC_CHECK_LINES, 1);
  Click(IDC_BUTTON_GENERATE);
  EXPECT_TRUE(choosers_.messages.empty());
  ASSERT_EQ(engines_.calls.size(), 1u);
  const EngineCall& call = engines_.calls[0];
  EXPECT_TRUE(call.overlay);
  EXPECT_EQ(call.input, Utf8(icon));
  EXPECT_EQ(call.output, Utf8(expected));
  EXPECT_EQ(call.lines.color, 255u);
  EXPECT_EQ(call.lines.minCount, 5);
  EXPECT_EQ(call.lines.maxCount, 10);
  EXPECT_EQ(call.state.paintedStatus, "正在处理 ICO 文件（仅画线）...");
  EXPECT_EQ(Text(IDC_STATIC_STATUS), "ICO 处理成功：" + expected);
  EXPECT_EQ(IconSizes(expected), (std::vector<int>{32, 16}));
}

TEST_F(RunConversionTest, ModeFollowsTheLastDotOfThePath) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"a.ico", true},
      {"b.IcO", true},
      {"app.ico.png", false},
      {"noextension", false},
      {"dir.ico/picture", false},
  };
  engines_.result = true;
  for (const auto& [name, overlay] : cases) {
    const std::string path = dir_.File(name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteBytes(path, {0});
    SetText(IDC_EDIT_INPUT, Utf8(path));
    Click(IDC_BUTTON_GENERATE);
    ASSERT_FALSE(engines_.calls.empty()) << name;
    EXPECT_EQ(engines_.calls.back().overlay, overlay) << name;
  }
}

TEST_F(RunConversionTest, LineCountsReachTheEngineSwappedAndCapped) {
  struct Case {
    QString min, max;
    int32_t engineMin, engineMax;
  };
  const std::vector<Case> cases = {
      {"20", "5", 5, 20},           {"3", "5000", 3, 1000}, {"0", "0", 0, 0},
      {"2000", "1500", 1500, 1000},  // the minimum is not capped; the engines raise the maximum
      {"4294967295", "7", -1, 7},    // read unsigned, compared signed
  };
  const QString picture = MakePicture("p.png");
  engines_.result = true;
  dialog_->CheckDlgButton(IDC_CHECK_LINES, 1);
  for (const bool icoMode : {false, true}) {
    SetText(IDC_EDIT_INPUT, icoMode ? MakeIcon("p.ico") : picture);
    for (const Case& c : cases) {
      SetText(IDC_EDIT_MIN_LINES, c.min);
      SetText(IDC_EDIT_MAX_LINES, c.max);
      Click(IDC_BUTTON_GENERATE);
      ASSERT_FALSE(engines_.calls.empty());
      const EngineCall& call = engines_.calls.back();
      EXPECT_EQ(call.overlay, icoMode);
      EXPECT_EQ(call.lines.minCount, c.engineMin) << Utf8(c.min) << "~" << Utf8(c.max);
      EXPECT_EQ(call.lines.maxCount, c.engineMax) << Utf8(c.min) << "~" << Utf8(c.max);
      EXPECT_EQ(call.lines.enabled, !icoMode);
    }
  }
  EXPECT_TRUE(choosers_.messages.empty());
}

TEST_F(RunConversionTest, ClearLinesBoxReadsNoCounts) {
  SetText(IDC_EDIT_INPUT, MakePicture("p.png"));
  SetText(IDC_EDIT_MIN_LINES, "");
  SetText(IDC_EDIT_MAX_LINES, "junk");
  engines_.result = true;
  Click(IDC_BUTTON_GENERATE);
  EXPECT_TRUE(choosers_.messages.empty());
  ASSERT_EQ(engines_.calls.size(), 1u);
  EXPECT_FALSE(engines_.calls[0].lines.enabled);
  EXPECT_EQ(engines_.calls[0].lines.minCount, 0);
  EXPECT_EQ(engines_.calls[0].lines.maxCount, 0);
}

TEST_F(RunConversionTest, SizesLargestFirstAndDepthFromTheFirstSelectedButton) {
  SetText(IDC_EDIT_INPUT, MakePicture("p.png"));
  engines_.result = true;
  const std::vector<std::pair<int, int32_t>> depths = {{IDC_RADIO_DEPTH4, 4},
                                                       {IDC_RADIO_DEPTH8, 8},
                                                       {IDC_RADIO_DEPTH24, 24},
                                                       {IDC_RADIO_DEPTH32, 32}};
  dialog_->CheckDlgButton(IDC_CHECK_SIZE16, 1);
  dialog_->CheckDlgButton(IDC_CHECK_SIZE256, 1);
  dialog_->CheckDlgButton(IDC_CHECK_SIZE96, 1);
  for (const auto& [id, bits] : depths) {
    Click(id);
    Click(IDC_BUTTON_GENERATE);
    ASSERT_FALSE(engines_.calls.empty());
    EXPECT_EQ(engines_.calls.back().bitDepth, bits);
    EXPECT_EQ(engines_.calls.back().sizes, (std::vector<int32_t>{256, 96, 48, 16}));
  }
  dialog_->CheckDlgButton(IDC_RADIO_DEPTH32, 0);
  Click(IDC_BUTTON_GENERATE);
  EXPECT_EQ(engines_.calls.back().bitDepth, 32) << "no depth selected";
}

TEST_F(RunConversionTest, TypedOutputIsUsedUnchanged) {
  SetText(IDC_EDIT_INPUT, MakePicture("p.png"));
  const QString typed = Utf8(dir_.File("chosen-name"));
  SetText(IDC_EDIT_OUTPUT, typed);
  Click(IDC_BUTTON_GENERATE);
  ASSERT_EQ(engines_.calls.size(), 1u);
  EXPECT_EQ(engines_.calls[0].output, Utf8(typed));
  EXPECT_EQ(Text(IDC_EDIT_OUTPUT), typed);
  EXPECT_TRUE(QFile::exists(typed));
}

TEST_F(RunConversionTest, EngineFailureShowsItsMessageThenTheFailureStatus) {
  const std::string broken = dir_.File("broken.png");
  WriteBytes(broken, {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'});
  const std::string brokenIcon = dir_.File("broken.ico");
  WriteBytes(brokenIcon, {1, 2, 3});
  const std::vector<std::pair<std::string, QString>> cases = {{broken, "生成失败，请检查参数"},
                                                              {brokenIcon, "ICO 处理失败"}};
  for (const auto& [input, status] : cases) {
    choosers_.messages.clear();
    SetText(IDC_EDIT_INPUT, Utf8(input));
    SetText(IDC_EDIT_OUTPUT, "");
    Click(IDC_BUTTON_GENERATE);
    ASSERT_EQ(choosers_.messages.size(), 1u) << input;
    EXPECT_EQ(choosers_.messages[0].owner, dialog_.get());
    EXPECT_FALSE(choosers_.messages[0].text.isEmpty());
    EXPECT_NE(choosers_.messages[0].state.status, status) << "status set before the message";
    EXPECT_EQ(Text(IDC_STATIC_STATUS), status);
  }
}

}  // namespace
}  // namespace zelmor::testing
