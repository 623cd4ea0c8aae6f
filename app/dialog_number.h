#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace zelmor {

// A box's text read as an unsigned 32-bit decimal number: nothing for an empty
// text, anything but ASCII digits, or a value above 4294967295.
std::optional<uint32_t> ParseUnsignedDialogNumber(const QString& text);

}  // namespace zelmor
