#pragma once

#include <string>
#include <vector>

namespace zelmor::cli {

// True when the arguments after the program name ask for --inspect (before
// any "--").
bool IsInspectCommand(const std::vector<std::string>& args);

// zelmor-cli --inspect [--json] [--preview SHEET.png] ICON...: prints every
// icon's entries and findings on stdout (as text or one JSON array), writes
// the contact sheet when asked. Returns the exit status: 0 when no icon has an
// error finding, 1 when any has or cannot be read, 2 for a usage error.
int RunInspectCommand(const std::vector<std::string>& args);

}  // namespace zelmor::cli
