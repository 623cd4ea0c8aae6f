#include "app/more_options_dlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

namespace zelmor {
namespace {

bool Contains(const std::vector<int32_t>& values, int32_t value) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

QGroupBox* Row(const QString& title, QWidget* parent) {
  auto* group = new QGroupBox(title, parent);
  new QHBoxLayout(group);
  return group;
}

}  // namespace

CMoreOptionsDlg::CMoreOptionsDlg(const MoreOptions& current, QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setWindowTitle(QStringLiteral("更多选项"));
  auto* layout = new QVBoxLayout(this);

  QGroupBox* sizes = Row(QStringLiteral("附加尺寸"), this);
  for (const int32_t size : kExtraSizes) {
    auto* box = new QCheckBox(QStringLiteral("%1*%1").arg(size), sizes);
    box->setChecked(Contains(current.extraSizes, size));
    sizes->layout()->addWidget(box);
    extra_sizes_[size] = box;
  }
  layout->addWidget(sizes);

  QGroupBox* depths = Row(QStringLiteral("附加色深（与所选色深一并写入）"), this);
  for (const int32_t bits : kExtraDepths) {
    auto* box = new QCheckBox(QStringLiteral("%1位").arg(bits), depths);
    box->setChecked(Contains(current.extraDepths, bits));
    depths->layout()->addWidget(box);
    extra_depths_[bits] = box;
  }
  layout->addWidget(depths);

  QGroupBox* fit = Row(QStringLiteral("非正方形图片"), this);
  for (const auto& [mode, text] : {std::pair{FitMode::kStretch, QStringLiteral("拉伸")},
                                   std::pair{FitMode::kContain, QStringLiteral("完整显示")},
                                   std::pair{FitMode::kCover, QStringLiteral("填满裁剪")}}) {
    auto* button = new QRadioButton(text, fit);
    button->setChecked(mode == current.fit);
    fit->layout()->addWidget(button);
    fits_[mode] = button;
  }
  layout->addWidget(fit);

  png256_ = new QCheckBox(QStringLiteral("PNG 压缩 256 像素图像"), this);
  png256_->setChecked(current.png256);
  layout->addWidget(png256_);
  merge_drops_ = new QCheckBox(QStringLiteral("多个拖入文件合成一个图标"), this);
  merge_drops_->setChecked(current.mergeDrops);
  layout->addWidget(merge_drops_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

int CMoreOptionsDlg::DoModal() {
  return exec();
}

MoreOptions CMoreOptionsDlg::Chosen() const {
  MoreOptions chosen;
  for (const auto& [size, box] : extra_sizes_) {
    if (box->isChecked()) {
      chosen.extraSizes.push_back(size);
    }
  }
  for (const auto& [bits, box] : extra_depths_) {
    if (box->isChecked()) {
      chosen.extraDepths.push_back(bits);
    }
  }
  for (const auto& [mode, button] : fits_) {
    if (button->isChecked()) {
      chosen.fit = mode;
    }
  }
  chosen.png256 = png256_->isChecked();
  chosen.mergeDrops = merge_drops_->isChecked();
  return chosen;
}

}  // namespace zelmor
