#include "app/inspect_dlg.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollArea>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "app/finding_texts.h"
#include "inspect/contact_sheet.h"
#include "overlay/ico_reader.h"
#include "platform/imaging.h"

namespace zelmor {
namespace {

QImage ToQImage(const Bitmap& bitmap) {
  QImage image(bitmap.width(), bitmap.height(), QImage::Format_ARGB32);
  for (int32_t y = 0; y < bitmap.height(); ++y) {
    const uint8_t* pixel = bitmap.row(y);
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int32_t x = 0; x < bitmap.width(); ++x, pixel += 4) {
      line[x] = qRgba(pixel[2], pixel[1], pixel[0], pixel[3]);
    }
  }
  return image;
}

QTreeWidget* MakeList(const QStringList& headers, const QString& name, QWidget* parent) {
  auto* list = new QTreeWidget(parent);
  list->setObjectName(name);
  list->setHeaderLabels(headers);
  list->setRootIsDecorated(false);
  list->setSelectionMode(QAbstractItemView::NoSelection);
  list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  list->header()->setStretchLastSection(true);
  return list;
}

void FillEntries(QTreeWidget* list, const IconInspection& inspection) {
  for (const InspectedEntry& entry : inspection.entries) {
    const QString size = entry.width && entry.height
                             ? QStringLiteral("%1×%2").arg(*entry.width).arg(*entry.height)
                             : QStringLiteral("?");
    const QString bits =
        entry.bits ? QStringLiteral("%1 位").arg(*entry.bits) : QStringLiteral("?");
    const QString form = !entry.width ? QStringLiteral("无法解码")
                         : entry.png  ? QStringLiteral("PNG")
                                      : QStringLiteral("位图");
    new QTreeWidgetItem(list, {QStringLiteral("#%1").arg(entry.index), size, bits, form,
                               QString::number(entry.directory.bytesInRes),
                               QString::number(entry.directory.imageOffset)});
  }
}

void FillFindings(QTreeWidget* list, const IconInspection& inspection) {
  for (const Finding& finding : inspection.findings) {
    const QString code = QString::fromStdString(finding.code);
    QString text = FindingText(finding.code);
    if (text.isEmpty()) {
      text = QString::fromStdString(finding.message);
    }
    auto* item = new QTreeWidgetItem(
        list,
        {finding.level == FindingLevel::kError ? QStringLiteral("错误") : QStringLiteral("警告"),
         finding.entry ? QStringLiteral("#%1").arg(*finding.entry) : QString(), code, text});
    // The inspector's own words, with the numbers, for whoever wants them.
    item->setToolTip(3, QString::fromStdString(finding.message));
  }
}

QString Summary(const IconReport& report) {
  int errors = 0;
  int warnings = 0;
  for (const Finding& finding : report.inspection.findings) {
    (finding.level == FindingLevel::kError ? errors : warnings) += 1;
  }
  const QString verdict = errors + warnings == 0
                              ? QStringLiteral("未发现问题。")
                              : QStringLiteral("%1 个错误，%2 个警告。").arg(errors).arg(warnings);
  return QStringLiteral("%1：%2 字节，%3 个图像。%4")
      .arg(report.path)
      .arg(report.inspection.bytes)
      .arg(report.inspection.entries.size())
      .arg(verdict);
}

}  // namespace

std::optional<IconReport> InspectIconFile(const QString& path, QString* error) {
  std::vector<uint8_t> bytes;
  const IcoFault fault = ReadFileBytes(path.toUtf8().toStdString(), bytes);
  if (fault != IcoFault::kNone) {
    *error = fault == IcoFault::kMissing ? QStringLiteral("图标文件不存在！")
                                         : QStringLiteral("无法打开图标文件！");
    return std::nullopt;
  }
  const ImagingSession imaging;
  IconReport report;
  report.path = path;
  report.inspection = InspectIcon(bytes);
  report.inspection.file = path.toUtf8().toStdString();
  if (const std::optional<Bitmap> sheet = DrawContactSheet(bytes, report.inspection)) {
    report.sheet = ToQImage(*sheet);
  }
  return report;
}

CInspectDlg::CInspectDlg(const IconReport& report, QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setWindowTitle(QStringLiteral("检查图标 - %1").arg(QFileInfo(report.path).fileName()));
  auto* layout = new QVBoxLayout(this);

  auto* summary = new QLabel(Summary(report), this);
  summary->setObjectName(QStringLiteral("summary"));
  summary->setWordWrap(true);
  layout->addWidget(summary);

  auto* columns = new QHBoxLayout;
  auto* sheet = new QLabel(this);
  sheet->setObjectName(QStringLiteral("sheet"));
  sheet->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  if (report.sheet.isNull()) {
    sheet->setText(QStringLiteral("没有可显示的图像。"));
  } else {
    sheet->setPixmap(QPixmap::fromImage(report.sheet));
  }
  auto* scroll = new QScrollArea(this);
  scroll->setWidget(sheet);
  scroll->setMinimumWidth(std::min(report.sheet.width(), 560) + 24);
  columns->addWidget(scroll);

  auto* lists = new QVBoxLayout;
  lists->addWidget(new QLabel(QStringLiteral("图像"), this));
  QTreeWidget* entries =
      MakeList({QStringLiteral("序号"), QStringLiteral("尺寸"), QStringLiteral("色深"),
                QStringLiteral("格式"), QStringLiteral("字节"), QStringLiteral("偏移")},
               QStringLiteral("entries"), this);
  FillEntries(entries, report.inspection);
  lists->addWidget(entries);
  lists->addWidget(new QLabel(QStringLiteral("检查结果"), this));
  QTreeWidget* findings = MakeList({QStringLiteral("级别"), QStringLiteral("图像"),
                                    QStringLiteral("代码"), QStringLiteral("说明")},
                                   QStringLiteral("findings"), this);
  FillFindings(findings, report.inspection);
  lists->addWidget(findings);
  columns->addLayout(lists, 1);
  layout->addLayout(columns, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(860, 540);
}

int CInspectDlg::DoModal() {
  return exec();
}

}  // namespace zelmor
