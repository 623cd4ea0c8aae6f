// The "检查图标" window: every entry and finding of a chosen icon, and the
// icon just written offered from the menu.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTreeWidget>

#include "app/control_ids.h"
#include "app/finding_texts.h"
#include "app/inspect_dlg.h"
#include "tests/app/dialog_harness.h"

namespace zelmor::testing {
namespace {

// What the window showed.
struct InspectionSeen {
  bool shown = false;
  QString title;
  QString summary;
  std::vector<QStringList> entries;
  std::vector<QStringList> findings;
  QSize sheet;
};

std::vector<QStringList> Rows(const QTreeWidget* list) {
  std::vector<QStringList> rows;
  for (int i = 0; list != nullptr && i < list->topLevelItemCount(); ++i) {
    QStringList row;
    for (int column = 0; column < list->columnCount(); ++column) {
      row.append(list->topLevelItem(i)->text(column));
    }
    rows.push_back(row);
  }
  return rows;
}

class InspectWindowTest : public DialogTest {
 protected:
  QStringList MenuTexts() const {
    QStringList texts;
    for (QAction* action : dialog_->SystemMenu()->actions()) {
      texts.append(action->text());
    }
    return texts;
  }
  QAction* MenuEntry(const QString& text) const {
    for (QAction* action : dialog_->SystemMenu()->actions()) {
      if (action->text() == text) {
        return action;
      }
    }
    return nullptr;
  }

  // Triggers the menu entry `text` and reads the inspection window it opens.
  InspectionSeen Inspect(const QString& text) {
    InspectionSeen seen;
    Await([&seen] {
      auto* window = qobject_cast<CInspectDlg*>(QApplication::activeModalWidget());
      if (window == nullptr) {
        return false;
      }
      seen.shown = true;
      seen.title = window->windowTitle();
      seen.summary = window->findChild<QLabel*>("summary")->text();
      seen.entries = Rows(window->findChild<QTreeWidget*>("entries"));
      seen.findings = Rows(window->findChild<QTreeWidget*>("findings"));
      seen.sheet = window->findChild<QLabel*>("sheet")->pixmap().size();
      window->reject();
      return true;
    });
    QAction* entry = MenuEntry(text);
    EXPECT_NE(entry, nullptr) << Utf8(text);
    if (entry != nullptr) {
      entry->trigger();
    }
    CancelAwaits();
    return seen;
  }
};

TEST_F(InspectWindowTest, ListsTheEntriesAndFindingsOfAFaultyIcon) {
  // A 32 and a 16 entry; the first says 0 planes, the second claims 48 px,
  // and 12 bytes trail the last image.
  const QString path = MakeIcon("faulty.ico");
  std::vector<uint8_t> bytes = ReadBytes(Utf8(path));
  ASSERT_EQ(IconSizes(path), (std::vector<int>{32, 16}));
  bytes[6 + 4] = 0;    // entry 0: wPlanes
  bytes[6 + 16] = 48;  // entry 1: width
  bytes.insert(bytes.end(), 12, 0xAB);
  WriteBytes(Utf8(path), bytes);

  choosers_.pictures.push_back(path);
  const InspectionSeen seen = Inspect("检查图标...");
  ASSERT_TRUE(seen.shown);
  EXPECT_EQ(seen.title, "检查图标 - faulty.ico");
  EXPECT_TRUE(seen.summary.contains(QStringLiteral("%1 字节，2 个图像").arg(bytes.size())))
      << Utf8(seen.summary);
  ASSERT_EQ(seen.entries.size(), 2u);
  EXPECT_EQ(seen.entries[0].mid(0, 4), (QStringList{"#0", "32×32", "32 位", "位图"}));
  EXPECT_EQ(seen.entries[1].mid(0, 4), (QStringList{"#1", "16×16", "32 位", "位图"}));

  std::vector<QStringList> expected;
  for (const auto& [level, code, entry] :
       {std::tuple{"警告", "planes-not-one", "#0"}, std::tuple{"错误", "size-mismatch", "#1"},
        std::tuple{"警告", "no-256", ""}, std::tuple{"警告", "unused-bytes", ""}}) {
    expected.push_back({level, entry, code, FindingText(code)});
  }
  EXPECT_EQ(seen.findings, expected);
  EXPECT_GE(seen.sheet.width(), 2 * 32) << "each entry over a light and a dark background";
  EXPECT_GE(seen.sheet.height(), 32 + 16);
}

TEST_F(InspectWindowTest, EveryFindingCodeHasItsOwnChineseText) {
  const char* codes[] = {
      "not-an-icon",     "entry-outside-file", "entry-undecodable", "entries-overlap",
      "size-mismatch",   "png-not-rgba",       "reserved-not-zero", "planes-not-one",
      "bits-mismatch",   "duplicate-entry",    "not-square",        "no-256",
      "png-small-entry", "over-1mib",          "ascending-order",   "unused-bytes"};
  QStringList texts;
  for (const char* code : codes) {
    const QString text = FindingText(code);
    EXPECT_FALSE(text.isEmpty()) << code;
    EXPECT_FALSE(texts.contains(text)) << code;
    texts.append(text);
  }
  EXPECT_TRUE(FindingText("no-such-code").isEmpty());
}

TEST_F(InspectWindowTest, TheWrittenIconIsOfferedAfterASuccessfulRun) {
  const QStringList before = {"更多选项...", "检查图标...", "", "关于 Zelmor(&A)..."};
  EXPECT_EQ(MenuTexts(), before);
  engines_.result = false;
  SetText(IDC_EDIT_INPUT, MakePicture("p.png"));
  Click(IDC_BUTTON_GENERATE);
  EXPECT_EQ(MenuTexts(), before) << "nothing was written";

  engines_.result.reset();
  Click(IDC_BUTTON_GENERATE);
  const QString output = Text(IDC_EDIT_OUTPUT);
  ASSERT_EQ(Text(IDC_STATIC_STATUS), "生成成功：" + output);
  EXPECT_EQ(MenuTexts(), (QStringList{"更多选项...", "检查图标...", "检查刚生成的图标", "",
                                      "关于 Zelmor(&A)..."}));
  const InspectionSeen seen = Inspect("检查刚生成的图标");
  ASSERT_TRUE(seen.shown);
  EXPECT_TRUE(seen.summary.startsWith(output + "：")) << Utf8(seen.summary);
  ASSERT_EQ(seen.entries.size(), 1u);
  EXPECT_EQ(seen.entries[0].mid(0, 4), (QStringList{"#0", "48×48", "32 位", "位图"}));
  ASSERT_EQ(seen.findings.size(), 1u) << "an icon of ours has no finding but no-256";
  EXPECT_EQ(seen.findings[0][2], "no-256");

  // A redrawn icon is offered in its turn, under the same entry.
  SetText(IDC_EDIT_INPUT, MakeIcon("in.ico"));
  SetText(IDC_EDIT_OUTPUT, "");
  Click(IDC_BUTTON_GENERATE);
  EXPECT_EQ(MenuTexts().count("检查刚生成的图标"), 1);
  const InspectionSeen redrawn = Inspect("检查刚生成的图标");
  EXPECT_TRUE(redrawn.summary.startsWith(Text(IDC_EDIT_OUTPUT) + "：")) << Utf8(redrawn.summary);
  EXPECT_EQ(redrawn.entries.size(), 2u);
}

TEST_F(InspectWindowTest, UnreadableOrCancelledChoiceShowsNoWindow) {
  const InspectionSeen cancelled = Inspect("检查图标...");
  EXPECT_FALSE(cancelled.shown);
  EXPECT_TRUE(choosers_.messages.empty());

  choosers_.pictures.push_back(Utf8(dir_.File("gone.ico")));
  const InspectionSeen missing = Inspect("检查图标...");
  EXPECT_FALSE(missing.shown);
  ASSERT_EQ(choosers_.messages.size(), 1u);
  EXPECT_EQ(choosers_.messages[0].text, "图标文件不存在！");
  EXPECT_EQ(choosers_.messages[0].icon, MessageIcon::kError);

  // Not an icon at all: the window still opens and says so.
  const std::string text = dir_.File("notes.ico");
  WriteBytes(text, {'h', 'e', 'l', 'l', 'o', '!', '!'});
  choosers_.pictures.push_back(Utf8(text));
  const InspectionSeen notIcon = Inspect("检查图标...");
  ASSERT_TRUE(notIcon.shown);
  EXPECT_TRUE(notIcon.entries.empty());
  ASSERT_FALSE(notIcon.findings.empty());
  EXPECT_EQ(notIcon.findings[0].mid(0, 3), (QStringList{"错误", "", "not-an-icon"}));
  EXPECT_TRUE(notIcon.sheet.isEmpty());
}

}  // namespace
}  // namespace zelmor::testing
