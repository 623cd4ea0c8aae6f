#include "app/dialog_number.h"

namespace zelmor {

std::optional<uint32_t> ParseUnsignedDialogNumber(const QString& text) {
  if (text.isEmpty()) {
    return std::nullopt;
  }
  uint64_t value = 0;
  for (const QChar c : text) {
    if (c < u'0' || c > u'9') {
      return std::nullopt;
    }
    value = value * 10 + static_cast<uint64_t>(c.unicode() - u'0');
    if (value > UINT32_MAX) {
      return std::nullopt;
    }
  }
  return static_cast<uint32_t>(value);
}

}  // namespace zelmor
