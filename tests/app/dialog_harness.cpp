#include "tests/app/dialog_harness.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QLabel>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include "app/control_ids.h"
#include "generate/generate_icon.h"
#include "platform/files.h"
#include "tests/support/picture_writer.h"

namespace zelmor::testing {
namespace {

// Calls `onPaint` each time the watched widget is about to paint.
class PaintWatcher final : public QObject {
 public:
  PaintWatcher(QObject* parent, std::function<void()> onPaint)
      : QObject(parent), on_paint_(std::move(onPaint)) {}

  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      on_paint_();
    }
    return false;
  }

 private:
  std::function<void()> on_paint_;
};

DialogState Snapshot(const std::function<DialogState()>& stateOf) {
  return stateOf ? stateOf() : DialogState{};
}

// The next scripted answer; an empty queue or an empty answer is "cancel".
template <typename T>
std::optional<T> NextAnswer(std::deque<std::optional<T>>& answers) {
  if (answers.empty()) {
    return std::nullopt;
  }
  const bool confirmed = answers.front().has_value();
  T value{};
  if (confirmed) {
    value = *answers.front();
  }
  answers.pop_front();
  return confirmed ? std::optional<T>(value) : std::nullopt;
}

}  // namespace

QString Utf8(const std::string& text) {
  return QString::fromUtf8(text.data(), text.size());
}
std::string Utf8(const QString& text) {
  return text.toUtf8().toStdString();
}

std::optional<QString> ScriptedChoosers::ChoosePicture(QWidget* /*owner*/) {
  return NextAnswer(pictures);
}

std::optional<QString> ScriptedChoosers::ChooseOutput(QWidget* /*owner*/,
                                                      const QString& initialName) {
  proposedOutputNames.push_back(initialName);
  return NextAnswer(outputs);
}

std::optional<COLORREF> ScriptedChoosers::ChooseColor(QWidget* /*owner*/, COLORREF initial) {
  initialColors.push_back(initial);
  return NextAnswer(colors);
}

void ScriptedChoosers::ShowMessageBox(QWidget* owner, const QString& text, MessageIcon icon) {
  messages.push_back({text, icon, owner, Snapshot(stateOf)});
}

bool RecordingEngines::GenerateIconFile(const std::vector<std::string>& inputPaths,
                                        const std::string& outputPath,
                                        const LineOverlaySettings& lines,
                                        const std::vector<int32_t>& sizes,
                                        const IconOutputSettings& output) {
  calls.push_back({false, inputPaths.empty() ? std::string() : inputPaths.front(), outputPath,
                   lines, sizes, output.depths.empty() ? 0 : output.depths.front(),
                   Snapshot(stateOf), inputPaths, output});
  if (during) {
    during();
  }
  return result ? *result
                : ProgramEngines().GenerateIconFile(inputPaths, outputPath, lines, sizes, output);
}

bool RecordingEngines::OverlayLinesOnIconFile(const std::string& inputPath,
                                              const std::string& outputPath, COLORREF color,
                                              int32_t minCount, int32_t maxCount,
                                              int32_t pngMinSize) {
  IconOutputSettings settings;
  settings.pngMinSize = pngMinSize;
  calls.push_back({true,
                   inputPath,
                   outputPath,
                   LineOverlaySettings{false, minCount, maxCount, color},
                   {},
                   0,
                   Snapshot(stateOf),
                   {inputPath},
                   settings});
  if (during) {
    during();
  }
  return result ? *result
                : ProgramEngines().OverlayLinesOnIconFile(inputPath, outputPath, color, minCount,
                                                          maxCount, pngMinSize);
}

void DialogTest::SetUp() {
  // The old dialog goes first: message sinks are restored in reverse order.
  dialog_.reset();
  painted_status_.clear();
  dialog_ = std::make_unique<CZelmorDlg>(choosers_, engines_);
  choosers_.stateOf = [this] { return State(); };
  engines_.stateOf = [this] { return State(); };
  QWidget* status = Item(IDC_STATIC_STATUS);
  status->installEventFilter(new PaintWatcher(
      status, [this, status] { painted_status_ = qobject_cast<QLabel*>(status)->text(); }));
  dialog_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
}

void DialogTest::TearDown() {
  CancelAwaits();
  SetOutputFaultForTesting(std::nullopt);
  dialog_.reset();
}

void DialogTest::Click(int id) {
  QAbstractButton* button = Button(id);
  ASSERT_NE(button, nullptr) << id;
  QTest::mouseClick(button, Qt::LeftButton);
}

DialogState DialogTest::State() const {
  return {Text(IDC_EDIT_INPUT), Text(IDC_EDIT_OUTPUT), Text(IDC_STATIC_STATUS), painted_status_};
}

void DialogTest::Drop(const QList<QUrl>& urls, QPoint position) {
  // File managers offer the names as plain text too, which a line edit
  // that takes drops would paste.
  QMimeData data;
  data.setUrls(urls);
  QStringList names;
  for (const QUrl& url : urls) {
    names.append(url.toString());
  }
  data.setText(names.join('\n'));
  QWindow* window = dialog_->windowHandle();
  ASSERT_NE(window, nullptr);
  QDragEnterEvent enter(position, Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window, &enter);
  ASSERT_TRUE(enter.isAccepted()) << "the dialog refused the drag";
  QDropEvent drop(QPointF(position), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window, &drop);
  ASSERT_TRUE(drop.isAccepted()) << "the dialog refused the drop";
  QCoreApplication::processEvents();
}

void DialogTest::DropFiles(const QStringList& paths) {
  QList<QUrl> urls;
  for (const QString& path : paths) {
    urls.append(QUrl::fromLocalFile(path));
  }
  // The middle of the window lies in the drop area.
  Drop(urls, dialog_->rect().center());
}

QString DialogTest::MakePicture(const std::string& name) {
  const std::string path = dir_.File(name);
  const Bitmap picture = MakeBitmap(20, 12, [](int32_t x, int32_t y) {
    return 0xFF000000u | static_cast<uint32_t>(x * 12) << 16 | static_cast<uint32_t>(y * 20);
  });
  EXPECT_TRUE(WritePicture(picture, path, "png")) << path;
  return Utf8(path);
}

QString DialogTest::MakeIcon(const std::string& name) {
  const QString picture = MakePicture("for-" + name + ".png");
  const std::string path = dir_.File(name);
  EXPECT_TRUE(zelmor::GenerateIconFile(Utf8(picture), path, {}, {32, 16}, 32)) << path;
  return Utf8(path);
}

// Runs `step` from the event loop (so also inside a modal loop) until it
// returns true. Should the awaited window never come, the modal loops are
// closed so the test ends and fails instead of hanging.
namespace {

QObject& AwaitTimers() {
  static QObject* timers = new QObject(qApp);
  return *timers;
}

}  // namespace

void Await(std::function<bool()> step) {
  auto* timer = new QTimer(&AwaitTimers());
  auto attempts = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, attempts, step = std::move(step)] {
    if (step()) {
      timer->stop();
      timer->deleteLater();
    } else if (++*attempts > 1000) {
      ADD_FAILURE() << "the awaited window did not appear";
      timer->stop();
      timer->deleteLater();
      if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
      }
      for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(window);
            dialog != nullptr && dialog->isVisible()) {
          dialog->reject();  // ends its exec() even when it runs without modality
        }
      }
    }
  });
  timer->start(5);
}

void CancelAwaits() {
  for (QTimer* timer : AwaitTimers().findChildren<QTimer*>()) {
    delete timer;
  }
}

std::vector<int> IconSizes(const QString& path) {
  const std::vector<uint8_t> bytes = ReadBytes(Utf8(path));
  std::vector<int> sizes;
  if (bytes.size() < 6) {
    return sizes;
  }
  const int count = bytes[4] | bytes[5] << 8;
  for (int i = 0; i < count && 6 + 16 * (i + 1) <= static_cast<int>(bytes.size()); ++i) {
    const int width = bytes[6 + 16 * i];
    sizes.push_back(width == 0 ? 256 : width);
  }
  return sizes;
}

}  // namespace zelmor::testing
