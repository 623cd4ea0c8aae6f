#pragma once

#include <QDialog>
#include <map>

#include "app/more_options.h"

class QCheckBox;
class QRadioButton;

namespace zelmor {

// The "更多选项" window: extra sizes and depths, PNG storage, the fit mode
// and merging dropped files. OK takes the choices, Cancel leaves them.
class CMoreOptionsDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CMoreOptionsDlg(const MoreOptions& current, QWidget* parent = nullptr);

  int DoModal();
  // The choices as the controls show them.
  MoreOptions Chosen() const;

 private:
  std::map<int32_t, QCheckBox*> extra_sizes_;
  std::map<int32_t, QCheckBox*> extra_depths_;
  QCheckBox* png256_ = nullptr;
  std::map<FitMode, QRadioButton*> fits_;
  QCheckBox* merge_drops_ = nullptr;
};

}  // namespace zelmor
