#pragma once

#include <string>
#include <vector>

namespace zelmor::testing {

// An SVG document: an <svg> root with the namespaces, `rootAttributes`
// (sizes, viewBox) and `body`.
std::string SvgDocument(const std::string& rootAttributes, const std::string& body);

struct NamedSvg {
  const char* name;
  std::string markup;
};

// Square documents that use the features icon themes use: gradients, a clip
// path, a mask, a style sheet, a filter, translucency; each 48 x 48 CSS pixels.
std::vector<NamedSvg> IconLikeSvgs();

}  // namespace zelmor::testing
