#pragma once

#include <string>
#include <string_view>

namespace zelmor {

// A path cut into the four parts the output name is built from. Works byte by
// byte on the UTF-8 path, with no length limit: the drive is the first two
// bytes when the second is ':', the folder runs through the last '/' or '\'
// (separator kept), the extension starts at the last '.' after the folder,
// and the base name lies between.
struct PathParts {
  std::string drive;
  std::string folder;
  std::string base;
  std::string extension;
};

PathParts SplitPath(std::string_view path);

// True when the text from the path's last '.' to its end (the whole path when
// it holds no '.') reads ".ico" with ASCII letters in any case. The '.' may lie
// in a folder name: "a.b/pic" compares ".b/pic".
bool HasIcoExtension(std::string_view path);

// The default output for an input: its drive, folder and base name followed by
// "生成.ico". Empty for an empty input.
std::string DefaultOutputPath(std::string_view inputPath);

}  // namespace zelmor
