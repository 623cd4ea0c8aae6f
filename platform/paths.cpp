#include "platform/paths.h"

namespace zelmor {

PathParts SplitPath(std::string_view path) {
  PathParts parts;
  if (path.size() >= 2 && path[1] == ':') {
    parts.drive = std::string(path.substr(0, 2));
    path.remove_prefix(2);
  }
  const std::size_t slash = path.find_last_of("/\\");
  if (slash != std::string_view::npos) {
    parts.folder = std::string(path.substr(0, slash + 1));
    path.remove_prefix(slash + 1);
  }
  const std::size_t dot = path.rfind('.');
  if (dot != std::string_view::npos) {
    parts.extension = std::string(path.substr(dot));
    path = path.substr(0, dot);
  }
  parts.base = std::string(path);
  return parts;
}

bool HasIcoExtension(std::string_view path) {
  const std::size_t dot = path.rfind('.');
  const std::string_view tail = dot == std::string_view::npos ? path : path.substr(dot);
  constexpr std::string_view kIco = ".ico";
  if (tail.size() != kIco.size()) {
    return false;
  }
  for (std::size_t i = 0; i < tail.size(); ++i) {
    char c = tail[i];
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
    if (c != kIco[i]) {
      return false;
    }
  }
  return true;
}

std::string DefaultOutputPath(std::string_view inputPath) {
  if (inputPath.empty()) {
    return {};
  }
  const PathParts parts = SplitPath(inputPath);
  return parts.drive + parts.folder + parts.base + "生成.ico";
}

}  // namespace zelmor
