// The dialog built from its template: controls, geometry, stacking, tab
// order, radio groups, the count boxes and the number reading.
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <set>

#include "app/control_ids.h"
#include "app/dialog_controls.h"
#include "app/dialog_number.h"
#include "app/dialog_template.h"
#include "tests/app/dialog_harness.h"

namespace zelmor::testing {
namespace {

using namespace control_style;

bool IsOfKind(QWidget* control, ControlKind kind) {
  switch (kind) {
    case ControlKind::kStatic:
    case ControlKind::kIcon:
      return qobject_cast<QLabel*>(control) != nullptr;
    case ControlKind::kGroupBox:
      return qobject_cast<QGroupBox*>(control) != nullptr;
    case ControlKind::kCheckBox:
      return qobject_cast<QCheckBox*>(control) != nullptr;
    case ControlKind::kRadioButton:
      return qobject_cast<QRadioButton*>(control) != nullptr;
    case ControlKind::kPushButton:
      return qobject_cast<QPushButton*>(control) != nullptr;
    case ControlKind::kEdit:
      return qobject_cast<QLineEdit*>(control) != nullptr;
  }
  return false;
}

class BuiltDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    controls_ = std::make_unique<DialogControls>(&dialog_, MainDialogTemplate(), QIcon());
  }
  QDialog dialog_;
  std::unique_ptr<DialogControls> controls_;
};

TEST_F(BuiltDialog, HasEveryRowInTemplateOrderWithItsKindTextAndPlace) {
  const auto rows = MainDialogTemplate().controls;
  ASSERT_EQ(rows.size(), 35u);
  ASSERT_EQ(controls_->InOrder().size(), rows.size());
  const DialogUnits& units = controls_->units();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ControlTemplate& row = rows[i];
    QWidget* control = controls_->InOrder()[i];
    SCOPED_TRACE(::testing::Message() << "row " << i + 1 << " " << row.text);
    EXPECT_TRUE(IsOfKind(control, row.kind));
    EXPECT_EQ(control->geometry(), units.ToPixels(row.x, row.y, row.width, row.height));
    if (row.id != IDC_STATIC) {
      EXPECT_EQ(controls_->Item(row.id), control);
    }
  }
  EXPECT_EQ(dialog_.size(), QSize(units.ToPixelsX(380), units.ToPixelsY(258)));
}

TEST_F(BuiltDialog, ControlIdsAreTheTwentyFiveOfTheDialog) {
  std::multiset<int> ids;
  for (const ControlTemplate& row : MainDialogTemplate().controls) {
    if (row.id != IDC_STATIC) {
      ids.insert(row.id);
    }
  }
  std::multiset<int> expected;
  for (int id = 1001; id <= 1027; ++id) {
    if (id != 1017 && id != 1018) {
      expected.insert(id);
    }
  }
  EXPECT_EQ(ids, expected);
}

TEST_F(BuiltDialog, TabVisitsTheTabStopsInTemplateOrder) {
  std::vector<QWidget*> expected;
  for (std::size_t i = 0; i < MainDialogTemplate().controls.size(); ++i) {
    if (MainDialogTemplate().controls[i].styles & kTabStop) {
      expected.push_back(controls_->InOrder()[i]);
    }
  }
  std::vector<QWidget*> chain;
  for (QWidget* w = dialog_.nextInFocusChain(); w != &dialog_; w = w->nextInFocusChain()) {
    if (w->focusPolicy() & Qt::TabFocus) {
      chain.push_back(w);
    }
  }
  EXPECT_EQ(chain, expected);
  EXPECT_EQ(expected.size(), 19u);
}

TEST_F(BuiltDialog, GroupBoxesLieBehindTheControlsTheySurround) {
  dialog_.show();
  for (QWidget* control : controls_->InOrder()) {
    if (qobject_cast<QGroupBox*>(control) != nullptr) {
      continue;
    }
    const QPoint centre = control->geometry().center();
    EXPECT_EQ(dialog_.childAt(centre), control)
        << control->metaObject()->className() << " at " << centre.x() << "," << centre.y();
  }
}

TEST_F(BuiltDialog, ResizingMovesNothing) {
  std::vector<QRect> before;
  for (QWidget* control : controls_->InOrder()) {
    before.push_back(control->geometry());
  }
  for (const QSize size : {dialog_.size() * 2, dialog_.size() / 2}) {
    dialog_.resize(size);
    for (std::size_t i = 0; i < before.size(); ++i) {
      EXPECT_EQ(controls_->InOrder()[i]->geometry(), before[i]) << "control " << i;
    }
  }
}

TEST_F(BuiltDialog, DepthButtonsFormOneExclusiveGroupWithoutTabStops) {
  const std::vector<int> depths = {IDC_RADIO_DEPTH4, IDC_RADIO_DEPTH8, IDC_RADIO_DEPTH24,
                                   IDC_RADIO_DEPTH32};
  QButtonGroup* group = controls_->RadioGroupOf(controls_->Item(IDC_RADIO_DEPTH4));
  ASSERT_NE(group, nullptr);
  EXPECT_TRUE(group->exclusive());
  for (const int id : depths) {
    EXPECT_EQ(controls_->RadioGroupOf(controls_->Item(id)), group) << id;
    EXPECT_FALSE(controls_->Item(id)->focusPolicy() & Qt::TabFocus) << id;
  }
  dialog_.show();
  auto* box = qobject_cast<QCheckBox*>(controls_->Item(IDC_CHECK_SIZE48));
  box->setChecked(true);
  QTest::mouseClick(qobject_cast<QRadioButton*>(controls_->Item(IDC_RADIO_DEPTH32)),
                    Qt::LeftButton);
  QTest::mouseClick(qobject_cast<QRadioButton*>(controls_->Item(IDC_RADIO_DEPTH8)), Qt::LeftButton);
  EXPECT_TRUE(qobject_cast<QRadioButton*>(controls_->Item(IDC_RADIO_DEPTH8))->isChecked());
  EXPECT_FALSE(qobject_cast<QRadioButton*>(controls_->Item(IDC_RADIO_DEPTH32))->isChecked());
  EXPECT_TRUE(box->isChecked()) << "a size box is no part of the depth group";
}

TEST_F(BuiltDialog, PathBoxesTakeNoTextDrops) {
  for (const int id : {IDC_EDIT_INPUT, IDC_EDIT_OUTPUT, IDC_EDIT_MIN_LINES, IDC_EDIT_MAX_LINES}) {
    EXPECT_FALSE(controls_->Item(id)->acceptDrops()) << id;
  }
}

TEST_F(BuiltDialog, CountBoxesTakeOnlyTheDigitsThatFit) {
  dialog_.show();
  for (const int id : {IDC_EDIT_MIN_LINES, IDC_EDIT_MAX_LINES}) {
    auto* box = qobject_cast<QLineEdit*>(controls_->Item(id));
    box->setFocus();
    QTest::keyClicks(box, "1x2-3 4567890123456");
    const QString typed = box->text();
    EXPECT_TRUE(QStringLiteral("1234567890123456").startsWith(typed)) << Utf8(typed);
    EXPECT_GE(typed.size(), 3) << "too few digits fit box " << id;
    EXPECT_LT(typed.size(), 16) << "box " << id << " took more than it shows";
    EXPECT_LE(QFontMetrics(box->font()).horizontalAdvance(typed), box->width());
  }
}

TEST(DialogFontTest, IsNinePointsAndCoversChinese) {
  const QFont font = DialogFont();
  EXPECT_EQ(font.pointSize(), 9);
  const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
  bool covered = false;
  for (const QString& family : font.families()) {
    covered = covered || chinese.contains(family);
  }
  EXPECT_TRUE(covered) << Utf8(font.families().join(", "));
}

TEST(DialogUnitsTest, ScaleByQuarterWidthAndEighthHeightRounded) {
  const DialogUnits units(7, 15);
  EXPECT_EQ(units.ToPixelsX(4), 7);
  EXPECT_EQ(units.ToPixelsX(1), 2);  // 1.75
  EXPECT_EQ(units.ToPixelsX(2), 4);  // 3.5 rounds up
  EXPECT_EQ(units.ToPixelsX(380), 665);
  EXPECT_EQ(units.ToPixelsY(8), 15);
  EXPECT_EQ(units.ToPixelsY(3), 6);      // 5.625
  EXPECT_EQ(units.ToPixelsY(258), 484);  // 483.75
  EXPECT_EQ(units.ToPixels(7, 5, 366, 10), QRect(12, 9, 641, 19));
}

TEST(DialogUnitsTest, BaseWidthIsTheAverageLetterWidth) {
  QFont font = DialogFont();
  const DialogUnits units(font);
  const QFontMetrics metrics(font);
  const int letters =
      metrics.horizontalAdvance("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
  EXPECT_EQ(units.baseWidth(), (letters + 26) / 52);
  EXPECT_EQ(units.baseHeight(), metrics.height());
}

TEST(ParseUnsignedDialogNumberTest, ReadsUnsigned32BitDecimalOnly) {
  const std::vector<std::pair<QString, std::optional<uint32_t>>> cases = {
      {"0", 0u},
      {"5", 5u},
      {"0010", 10u},
      {"4294967295", 4294967295u},
      {"", std::nullopt},
      {"4294967296", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"-1", std::nullopt},
      {"+1", std::nullopt},
      {"12a", std::nullopt},
      {" 7", std::nullopt},
      {"１２", std::nullopt},  // full-width digits
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(ParseUnsignedDialogNumber(text), expected) << Utf8(text);
  }
}

}  // namespace
}  // namespace zelmor::testing
