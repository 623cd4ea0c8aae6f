// The picture and output choosers and dropped files.
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <QWindow>
#include <filesystem>

#include "app/control_ids.h"
#include "tests/app/dialog_harness.h"

namespace zelmor::testing {
namespace {

using FileSelectionTest = DialogTest;

TEST_F(FileSelectionTest, ChoosingAnInputFillsBothBoxesAndTheStatusOnly) {
  const std::vector<std::pair<std::string, QString>> cases = {
      {"logo.png", "已选择图片，点击“生成 ICO”开始"},
      {"App.ICO", "已选择 ICO 文件：将仅在图标上画线（忽略尺寸/色深设置）"},
  };
  for (const auto& [name, status] : cases) {
    SetText(IDC_EDIT_OUTPUT, "/somewhere/else.ico");
    const QString chosen = Utf8(dir_.File(name));
    choosers_.pictures.push_back(chosen);
    Click(IDC_BUTTON_CHOOSE_PICTURE);
    const QString base = QString::fromStdString(name).section('.', 0, 0);
    EXPECT_EQ(Text(IDC_EDIT_INPUT), chosen);
    EXPECT_EQ(Text(IDC_EDIT_OUTPUT), Utf8(dir_.File(Utf8(base) + "生成.ico")));
    EXPECT_EQ(Text(IDC_STATIC_STATUS), status);
  }
  EXPECT_TRUE(engines_.calls.empty());
  EXPECT_TRUE(choosers_.messages.empty());
}

TEST_F(FileSelectionTest, CancelledChoosersChangeNothing) {
  SetText(IDC_EDIT_INPUT, "in.png");
  SetText(IDC_EDIT_OUTPUT, "out.ico");
  const DialogState before = State();
  choosers_.pictures.push_back(std::nullopt);
  Click(IDC_BUTTON_CHOOSE_PICTURE);
  Click(IDC_BUTTON_CHOOSE_OUTPUT);
  EXPECT_EQ(State().input, before.input);
  EXPECT_EQ(State().output, before.output);
  EXPECT_EQ(State().status, before.status);
}

TEST_F(FileSelectionTest, OutputChooserProposesTheBoxTextAndKeepsItsAnswer) {
  choosers_.pictures.push_back(Utf8(dir_.File("logo.png")));
  Click(IDC_BUTTON_CHOOSE_PICTURE);
  const QString status = Text(IDC_STATIC_STATUS);
  const QString chosen = Utf8(dir_.File("mine.ico"));
  choosers_.outputs.push_back(chosen);
  Click(IDC_BUTTON_CHOOSE_OUTPUT);
  ASSERT_EQ(choosers_.proposedOutputNames.size(), 1u);
  EXPECT_EQ(choosers_.proposedOutputNames[0], Utf8(dir_.File("logo生成.ico")));
  EXPECT_EQ(Text(IDC_EDIT_OUTPUT), chosen);
  EXPECT_EQ(Text(IDC_STATIC_STATUS), status);

  SetText(IDC_EDIT_OUTPUT, "");
  Click(IDC_BUTTON_CHOOSE_OUTPUT);
  EXPECT_EQ(choosers_.proposedOutputNames.back(), "");
}

TEST_F(FileSelectionTest, DropConvertsEachFileInOrderAndGoesOnAfterAFailure) {
  const QString icon = MakeIcon("first.ico");
  const QString missing = Utf8(dir_.File("gone.png"));
  const QString picture = MakePicture("third.png");
  SetText(IDC_EDIT_OUTPUT, "typed-before-the-drop.ico");
  DropFiles({icon, missing, picture});

  const QString iconOut = Utf8(dir_.File("first生成.ico"));
  const QString missingOut = Utf8(dir_.File("gone生成.ico"));
  const QString pictureOut = Utf8(dir_.File("third生成.ico"));

  ASSERT_EQ(engines_.calls.size(), 2u);
  EXPECT_TRUE(engines_.calls[0].overlay);
  EXPECT_EQ(engines_.calls[0].state.input, icon);
  EXPECT_EQ(engines_.calls[0].state.output, iconOut);
  EXPECT_EQ(engines_.calls[0].state.paintedStatus, "正在处理 ICO 文件（仅画线）...");

  ASSERT_EQ(choosers_.messages.size(), 1u);
  const ShownMessage& failure = choosers_.messages[0];
  EXPECT_EQ(failure.text, "输入文件不存在！");
  EXPECT_EQ(failure.icon, MessageIcon::kError);
  EXPECT_EQ(failure.state.input, missing);
  EXPECT_EQ(failure.state.output, missingOut);
  EXPECT_EQ(failure.state.status, "ICO 处理成功：" + iconOut) << "the first run's outcome";

  EXPECT_FALSE(engines_.calls[1].overlay);
  EXPECT_EQ(engines_.calls[1].state.input, picture);
  EXPECT_EQ(engines_.calls[1].state.output, pictureOut);
  EXPECT_EQ(engines_.calls[1].state.paintedStatus, "正在生成，请稍候...");

  EXPECT_EQ(Text(IDC_EDIT_INPUT), picture);
  EXPECT_EQ(Text(IDC_EDIT_OUTPUT), pictureOut);
  EXPECT_EQ(Text(IDC_STATIC_STATUS), "生成成功：" + pictureOut);
  EXPECT_EQ(IconSizes(iconOut), (std::vector<int>{32, 16}));
  EXPECT_EQ(IconSizes(pictureOut), std::vector<int>{48});
  EXPECT_FALSE(QFile::exists("typed-before-the-drop.ico"));
}

TEST_F(FileSelectionTest, DropWithNoSizeTickedFillsTheOutputThenWarns) {
  Click(IDC_BUTTON_CLEAR_SIZES);
  const QString picture = MakePicture("p.png");
  DropFiles({picture, picture});
  ASSERT_EQ(choosers_.messages.size(), 2u);
  for (const ShownMessage& message : choosers_.messages) {
    EXPECT_EQ(message.text, "请至少选择一个图标尺寸！");
    EXPECT_EQ(message.state.output, Utf8(dir_.File("p生成.ico")));
  }
  EXPECT_TRUE(engines_.calls.empty());
}

TEST_F(FileSelectionTest, DropsLandAnywhereOnTheDialogEvenOnTheBoxes) {
  const QString picture = MakePicture("anywhere.png");
  engines_.result = true;
  const std::vector<int> targets = {
      IDC_EDIT_INPUT,      IDC_EDIT_OUTPUT,         IDC_EDIT_MIN_LINES, IDC_EDIT_MAX_LINES,
      IDC_BUTTON_GENERATE, IDC_STATIC_COLOR_SWATCH, IDC_CHECK_SIZE16,   IDC_STATIC_STATUS};
  for (const int id : targets) {
    SetText(IDC_EDIT_INPUT, "");
    const std::size_t before = engines_.calls.size();
    Drop({QUrl::fromLocalFile(picture)}, Item(id)->geometry().center());
    ASSERT_EQ(engines_.calls.size(), before + 1) << "drop on control " << id;
    EXPECT_EQ(engines_.calls.back().input, Utf8(picture));
    EXPECT_EQ(Text(IDC_EDIT_INPUT), picture) << "control " << id;
  }
  EXPECT_EQ(Text(IDC_EDIT_MIN_LINES), "5") << "a dropped name was pasted";
  EXPECT_EQ(Text(IDC_EDIT_MAX_LINES), "10") << "a dropped name was pasted";
}

TEST_F(FileSelectionTest, OnlyLocalFilesAreTaken) {
  const QString picture = MakePicture("local.png");
  engines_.result = true;
  Drop({QUrl("https://example.com/remote.png"), QUrl::fromLocalFile(picture)}, QPoint(10, 10));
  ASSERT_EQ(engines_.calls.size(), 1u);
  EXPECT_EQ(engines_.calls[0].input, Utf8(picture));

  QMimeData remoteOnly;
  remoteOnly.setUrls({QUrl("https://example.com/remote.png")});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &remoteOnly, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(dialog_->windowHandle(), &enter);
  EXPECT_FALSE(enter.isAccepted());
}

TEST_F(FileSelectionTest, LongPathsAreNeverCut) {
  const std::string folder =
      std::string(100, 'a') + "/" + std::string(100, 'b') + "/" + std::string(100, 'c');
  std::filesystem::create_directories(dir_.path() / folder);
  const std::string base = folder + "/" + std::string(200, 'n');
  const QString picture = MakePicture(base + ".png");
  ASSERT_GT(picture.toUtf8().size(), 300) << "longer than the 259 bytes a name once had";
  DropFiles({picture});
  const QString expected = Utf8(dir_.File(base + "生成.ico"));
  EXPECT_EQ(Text(IDC_EDIT_INPUT), picture);
  EXPECT_EQ(Text(IDC_EDIT_OUTPUT), expected);
  ASSERT_EQ(engines_.calls.size(), 1u);
  EXPECT_EQ(engines_.calls[0].input, Utf8(picture));
  EXPECT_EQ(Text(IDC_STATIC_STATUS), "生成成功：" + expected);
  EXPECT_TRUE(QFile::exists(expected));
}

}  // namespace
}  // namespace zelmor::testing
