// The run command: one engine call for one input, with the checks before it
// and the status texts around it.
#include <QString>
#include <QStringList>
#include <string>
#include <utility>
#include <vector>

#include "app/control_ids.h"
#include "app/more_options.h"
#include "app/zelmor_dlg.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace zelmor {
namespace {

std::string ToUtf8(const QString& text) {
  return text.toUtf8().toStdString();
}

// The line count the engines accept at most; a larger minimum is left to them.
constexpr int32_t kMaxLineCount = 1000;

struct SizeBox {
  int id;
  int32_t size;
};

// Largest first: the order of the images in the file.
constexpr SizeBox kSizeBoxes[] = {
    {IDC_CHECK_SIZE256, 256}, {IDC_CHECK_SIZE128, 128}, {IDC_CHECK_SIZE96, 96},
    {IDC_CHECK_SIZE64, 64},   {IDC_CHECK_SIZE48, 48},   {IDC_CHECK_SIZE32, 32},
    {IDC_CHECK_SIZE24, 24},   {IDC_CHECK_SIZE16, 16},
};

}  // namespace

void CZelmorDlg::OnGenerate() {
  RunConversion(GetDlgItemText(IDC_EDIT_INPUT));
}

int CZelmorDlg::RunConversion(QString inputPath) {
  return Convert({std::move(inputPath)}, false);
}

int CZelmorDlg::Convert(const QStringList& inputPaths, bool merge) {
  const QString& inputPath = inputPaths.front();
  if (inputPath.isEmpty()) {
    MessageBox(QStringLiteral("请先选择输入图片！"), MessageIcon::kWarning);
    return 0;
  }
  std::vector<std::string> inputs;
  for (const QString& path : inputPaths) {
    inputs.push_back(ToUtf8(path));
    if (!PathExists(inputs.back())) {
      MessageBox(QStringLiteral("输入文件不存在！"), MessageIcon::kError);
      return 0;
    }
  }
  const std::string& input = inputs.front();
  // A merge takes an .ico's entries as sources; only a lone .ico is redrawn.
  const bool icoMode = !merge && HasIcoExtension(input);

  const bool linesEnabled = IsDlgButtonChecked(IDC_CHECK_LINES) == 1;
  int32_t minCount = 0;
  int32_t maxCount = 0;
  if (linesEnabled) {
    bool minRead = false;
    bool maxRead = false;
    minCount = static_cast<int32_t>(GetDlgItemInt(IDC_EDIT_MIN_LINES, &minRead));
    maxCount = static_cast<int32_t>(GetDlgItemInt(IDC_EDIT_MAX_LINES, &maxRead));
    if (!minRead || !maxRead) {
      MessageBox(QStringLiteral("请输入有效的画线数量范围！"), MessageIcon::kWarning);
      return 0;
    }
    if (minCount > maxCount) {
      std::swap(minCount, maxCount);
    }
    if (maxCount > kMaxLineCount) {
      maxCount = kMaxLineCount;
    }
  }

  QString outputPath = GetDlgItemText(IDC_EDIT_OUTPUT);
  if (outputPath.isEmpty()) {
    DeriveOutputPath(inputPath);
    outputPath = GetDlgItemText(IDC_EDIT_OUTPUT);
  }
  const std::string output = ToUtf8(outputPath);

  if (icoMode) {
    SetStatusNow(QStringLiteral("正在处理 ICO 文件（仅画线）..."));
    const bool done = engines_.OverlayLinesOnIconFile(input, output, m_lineColor, minCount,
                                                      maxCount, PngMinSize(m_moreOptions));
    SetDlgItemText(IDC_STATIC_STATUS, done ? QStringLiteral("ICO 处理成功：%1").arg(outputPath)
                                           : QStringLiteral("ICO 处理失败"));
    if (done) {
      NoteWrittenIcon(outputPath);
    }
    return done ? 1 : 0;
  }

  std::vector<int32_t> sizes;
  for (const SizeBox& box : kSizeBoxes) {
    if (IsDlgButtonChecked(box.id) != 0) {
      sizes.push_back(box.size);
    }
  }
  sizes = WithExtraSizes(std::move(sizes), m_moreOptions);
  if (sizes.empty()) {
    MessageBox(QStringLiteral("请至少选择一个图标尺寸！"), MessageIcon::kWarning);
    return 0;
  }
  int32_t bitDepth = 32;
  if (IsDlgButtonChecked(IDC_RADIO_DEPTH4) != 0) {
    bitDepth = 4;
  } else if (IsDlgButtonChecked(IDC_RADIO_DEPTH8) != 0) {
    bitDepth = 8;
  } else if (IsDlgButtonChecked(IDC_RADIO_DEPTH24) != 0) {
    bitDepth = 24;
  }

  SetStatusNow(QStringLiteral("正在生成，请稍候..."));
  const LineOverlaySettings lines{linesEnabled, minCount, maxCount, m_lineColor};
  struct MergeScope {
    bool& merging;
    ~MergeScope() { merging = false; }
  } scope{merging_};
  merging_ = merge;
  const bool done = engines_.GenerateIconFile(inputs, output, lines, sizes,
                                              OutputSettings(m_moreOptions, bitDepth));
  SetDlgItemText(IDC_STATIC_STATUS, done ? QStringLiteral("生成成功：%1").arg(outputPath)
                                         : QStringLiteral("生成失败，请检查参数"));
  if (done) {
    NoteWrittenIcon(outputPath);
  }
  return done ? 1 : 0;
}

void CZelmorDlg::DeriveOutputPath(const QString& inputPath) {
  if (inputPath.isEmpty()) {
    return;
  }
  SetDlgItemText(IDC_EDIT_OUTPUT, QString::fromStdString(DefaultOutputPath(ToUtf8(inputPath))));
}

}  // namespace zelmor
