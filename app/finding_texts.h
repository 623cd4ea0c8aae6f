#pragma once

#include <QString>
#include <string_view>

namespace zelmor {

// What an inspector finding code means, in the window's language; empty for
// a code the table does not know.
QString FindingText(std::string_view code);

}  // namespace zelmor
