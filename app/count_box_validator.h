#pragma once

#include <QValidator>

class QLineEdit;

namespace zelmor {

// Lets a box that does not scroll take digits only, and only as many as its
// width shows. Text set by the program is not checked, as with any validator.
class CountBoxValidator final : public QValidator {
 public:
  explicit CountBoxValidator(QLineEdit* box);

  State validate(QString& input, int& position) const override;

 private:
  QLineEdit* box_;
};

}  // namespace zelmor
