// A coarse reading of SVG markup, written here because the XML parsers at hand
// either expand entities and resolve nothing (libxml2) or only show the
// document once it is built (librsvg): what is wanted is the tree of elements,
// their ids and what each refers to, read in one linear pass with nothing
// expanded, before anything else sees the document.
#include "platform/svg_work_limit.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

namespace zelmor {
namespace {

struct Element {
  int32_t parent = -1;
  uint64_t weight = 1;
  std::vector<int32_t> children;
  std::vector<std::string_view> references;  // ids, without '#'
};

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view LocalName(std::string_view name) {
  const std::size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The ids of every url(#id) in `text`.
void CollectUrlReferences(std::string_view text, std::vector<std::string_view>& out) {
  std::size_t at = 0;
  while ((at = text.find("url(", at)) != std::string_view::npos) {
    at += 4;
    while (at < text.size() && (IsSpace(text[at]) || text[at] == '\'' || text[at] == '"')) {
      ++at;
    }
    if (at >= text.size() || text[at] != '#') {
      continue;
    }
    const std::size_t start = ++at;
    while (at < text.size() && text[at] != ')' && text[at] != '\'' && text[at] != '"' &&
           !IsSpace(text[at])) {
      ++at;
    }
    out.push_back(text.substr(start, at - start));
  }
}

class MarkupReader {
 public:
  MarkupReader(std::string_view text, const SvgWorkLimits& limits) : text_(text), limits_(limits) {}

  // Builds the element tree; false for markup this reading cannot follow or
  // that passes the depth or element bounds.
  bool Read() {
    if (text_.find('\0') != std::string_view::npos) {
      return false;
    }
    std::size_t at = 0;
    while (at < text_.size()) {
      const std::size_t open = text_.find('<', at);
      const std::size_t textEnd = open == std::string_view::npos ? text_.size() : open;
      InStyle(text_.substr(at, textEnd - at));
      if (open == std::string_view::npos) {
        break;
      }
      const std::string_view rest = text_.substr(open);
      std::size_t next = std::string_view::npos;
      if (rest.starts_with("<!--")) {
        next = End(open + 4, "-->");
      } else if (rest.starts_with("<![CDATA[")) {
        next = End(open + 9, "]]>");
        if (next != std::string_view::npos) {
          InStyle(text_.substr(open + 9, next - 3 - (open + 9)));
        }
      } else if (rest.starts_with("<!")) {
        next = Doctype(open + 2);
      } else if (rest.starts_with("<?")) {
        next = End(open + 2, "?>");
      } else if (rest.starts_with("</")) {
        next = End(open + 2, ">");
        if (current_ < 0) {
          return false;
        }
        current_ = elements_[static_cast<std::size_t>(current_)].parent;
        styleStack_.pop_back();
      } else {
        next = StartTag(open + 1);
      }
      if (next == std::string_view::npos) {
        return false;
      }
      at = next;
    }
    return current_ == -1;
  }

  uint64_t Work() {
    // References made from style sheets may apply to any element: each
    // element is charged for all of them.
    memo_.assign(elements_.size(), kUnknown);
    uint64_t styleCost = 0;
    for (const std::string_view id : styleReferences_) {
      styleCost = Add(styleCost, Referenced(id, 0));
    }
    memo_.assign(elements_.size(), kUnknown);
    uint64_t total = 0;
    for (std::size_t i = 0; i < elements_.size(); ++i) {
      if (elements_[i].parent == -1) {
        total = Add(total, Cost(static_cast<int32_t>(i), styleCost, 0));
      }
    }
    return total;
  }

 private:
  static constexpr uint64_t kUnknown = UINT64_MAX;
  static constexpr uint64_t kInProgress = UINT64_MAX - 1;

  // Sums saturate just past the limit; neither argument is ever above that.
  uint64_t Add(uint64_t a, uint64_t b) const {
    // Below the memo's markers.
    const uint64_t cap = std::min(limits_.maxWork, kInProgress - 2) + 1;
    return b >= cap - std::min(a, cap) ? cap : a + b;
  }

  // Past this many nested evaluations the chain of references alone is more
  // than any real document makes.
  int32_t MaxFrames() const { return 4 * limits_.maxDepth; }

  uint64_t Referenced(std::string_view id, int32_t frames) {
    const auto found = ids_.find(id);
    return found == ids_.end() ? 0 : Cost(found->second, 0, frames);
  }

  // Work of drawing element `index` once, its subtree and every reference
  // followed. A reference back into an element being evaluated is a cycle,
  // which the renderer refuses to draw: it costs nothing.
  uint64_t Cost(int32_t index, uint64_t extra, int32_t frames) {
    uint64_t& memo = memo_[static_cast<std::size_t>(index)];
    if (memo == kInProgress) {
      return 0;
    }
    if (memo != kUnknown) {
      return memo;
    }
    if (frames > MaxFrames()) {
      return Add(limits_.maxWork, 1);
    }
    memo = kInProgress;
    const Element& element = elements_[static_cast<std::size_t>(index)];
    uint64_t total = Add(element.weight, extra);
    for (const int32_t child : element.children) {
      total = Add(total, Cost(child, extra, frames + 1));
    }
    for (const std::string_view id : element.references) {
      const auto found = ids_.find(id);
      if (found != ids_.end()) {
        total = Add(total, Cost(found->second, extra, frames + 1));
      }
    }
    memo_[static_cast<std::size_t>(index)] = total;
    return total;
  }

  // Text directly inside a <style> element.
  void InStyle(std::string_view text) {
    if (!styleStack_.empty() && styleStack_.back()) {
      CollectUrlReferences(text, styleReferences_);
    }
  }

  // Just past the first `terminator` at or after `from`.
  std::size_t End(std::size_t from, std::string_view terminator) const {
    const std::size_t found = text_.find(terminator, from);
    return found == std::string_view::npos ? found : found + terminator.size();
  }

  // Just past a quoted string starting at `at`, or npos.
  std::size_t Quoted(std::size_t at) const {
    const std::size_t close = text_.find(text_[at], at + 1);
    return close == std::string_view::npos ? close : close + 1;
  }

  // An entity whose text holds markup or other entities would add elements
  // behind this reading's back (and nests into the oldest of XML bombs).
  static bool SafeEntityText(std::string_view value) {
    return value.find_first_of("<&%") == std::string_view::npos;
  }

  // Just past the name starting at `at`.
  std::size_t Name(std::size_t at) const {
    while (at < text_.size() && !IsSpace(text_[at]) && text_[at] != '>' && text_[at] != '/' &&
           text_[at] != '=' && text_[at] != '"' && text_[at] != '\'') {
      ++at;
    }
    return at;
  }

  std::size_t Spaces(std::size_t at) const {
    while (at < text_.size() && IsSpace(text_[at])) {
      ++at;
    }
    return at;
  }

  // An entity declaration from just after "<!ENTITY"; only the first quoted
  // string of a general entity is its text (an external one names a file,
  // which is never read).
  std::size_t EntityDeclaration(std::size_t at) {
    at = Spaces(at);
    if (at >= text_.size() || text_[at] == '%') {
      return std::string_view::npos;  // parameter entities rewrite the declarations themselves
    }
    const std::size_t nameEnd = Name(at);
    const std::string_view name = text_.substr(at, nameEnd - at);
    at = Spaces(nameEnd);
    if (at < text_.size() && (text_[at] == '"' || text_[at] == '\'')) {
      const std::size_t end = Quoted(at);
      if (end == std::string_view::npos) {
        return end;
      }
      const std::string_view value = text_.substr(at + 1, end - at - 2);
      if (!SafeEntityText(value)) {
        return std::string_view::npos;
      }
      entities_.emplace(name, value);
      at = end;
    }
    while (at < text_.size() && text_[at] != '>') {
      if (text_[at] == '"' || text_[at] == '\'') {
        at = Quoted(at);
        if (at == std::string_view::npos) {
          return at;
        }
        continue;
      }
      ++at;
    }
    return at < text_.size() ? at + 1 : std::string_view::npos;
  }

  // A DOCTYPE (with its internal subset) or another declaration, from just
  // after "<!".
  std::size_t Doctype(std::size_t at) {
    int brackets = 0;
    while (at < text_.size()) {
      const char c = text_[at];
      const std::string_view rest = text_.substr(at);
      if (c == '"' || c == '\'') {
        at = Quoted(at);
      } else if (rest.starts_with("<!--")) {
        at = End(at + 4, "-->");
      } else if (rest.starts_with("<!ENTITY")) {
        at = EntityDeclaration(at + 8);
      } else if (c == '%' && brackets > 0) {
        return std::string_view::npos;  // a parameter entity reference
      } else {
        if (c == '[') {
          ++brackets;
        } else if (c == ']') {
          --brackets;
        } else if (c == '>' && brackets <= 0) {
          return at + 1;
        }
        ++at;
      }
      if (at == std::string_view::npos) {
        return at;
      }
    }
    return std::string_view::npos;
  }

  // References an attribute value makes, directly or through the entities it
  // names.
  void CollectReferences(std::string_view attribute, std::string_view value,
                         std::vector<std::string_view>& out) const {
    const bool isHref = LocalName(attribute) == "href";
    const auto add = [&](std::string_view text) {
      if (isHref && text.starts_with('#')) {
        out.push_back(text.substr(1));
      }
      CollectUrlReferences(text, out);
    };
    add(value);
    std::size_t at = 0;
    while ((at = value.find('&', at)) != std::string_view::npos) {
      const std::size_t end = value.find(';', at);
      if (end == std::string_view::npos) {
        break;
      }
      const auto found = entities_.find(value.substr(at + 1, end - at - 1));
      if (found != entities_.end()) {
        add(found->second);
      }
      at = end;
    }
  }

  std::size_t StartTag(std::size_t at) {
    const std::size_t nameStart = at;
    while (at < text_.size() && !IsSpace(text_[at]) && text_[at] != '/' && text_[at] != '>') {
      ++at;
    }
    if (at == nameStart || elements_.size() >= static_cast<std::size_t>(limits_.maxElements)) {
      return std::string_view::npos;
    }
    const std::string_view name = LocalName(text_.substr(nameStart, at - nameStart));
    const auto index = static_cast<int32_t>(elements_.size());
    Element element;
    element.parent = current_;
    if (name.starts_with("fe")) {
      element.weight = kFilterPrimitiveWork;
    }
    elements_.push_back(std::move(element));
    if (current_ >= 0) {
      elements_[static_cast<std::size_t>(current_)].children.push_back(index);
    }
    Element& added = elements_.back();
    while (true) {
      while (at < text_.size() && IsSpace(text_[at])) {
        ++at;
      }
      if (at >= text_.size()) {
        return std::string_view::npos;
      }
      if (text_[at] == '>') {
        // Open: the children follow.
        if (styleStack_.size() >= static_cast<std::size_t>(limits_.maxDepth)) {
          return std::string_view::npos;
        }
        current_ = index;
        styleStack_.push_back(name == "style");
        return at + 1;
      }
      if (text_[at] == '/') {
        return at + 1 < text_.size() && text_[at + 1] == '>' ? at + 2 : std::string_view::npos;
      }
      const std::size_t attributeStart = at;
      while (at < text_.size() && text_[at] != '=' && !IsSpace(text_[at]) && text_[at] != '>' &&
             text_[at] != '/') {
        ++at;
      }
      const std::string_view attribute = text_.substr(attributeStart, at - attributeStart);
      while (at < text_.size() && IsSpace(text_[at])) {
        ++at;
      }
      if (at >= text_.size() || text_[at] != '=') {
        return std::string_view::npos;
      }
      ++at;
      while (at < text_.size() && IsSpace(text_[at])) {
        ++at;
      }
      if (at >= text_.size() || (text_[at] != '"' && text_[at] != '\'')) {
        return std::string_view::npos;
      }
      const std::size_t end = Quoted(at);
      if (end == std::string_view::npos) {
        return end;
      }
      const std::string_view value = text_.substr(at + 1, end - at - 2);
      at = end;
      if (attribute == "id" || attribute == "xml:id") {
        ids_.emplace(value, index);
      }
      CollectReferences(attribute, value, added.references);
    }
  }

  std::string_view text_;
  SvgWorkLimits limits_;
  std::vector<Element> elements_;
  std::unordered_map<std::string_view, int32_t> ids_;
  std::unordered_map<std::string_view, std::string_view> entities_;
  std::vector<std::string_view> styleReferences_;
  std::vector<uint64_t> memo_;
  // One entry per open element: whether it is <style>.
  std::vector<bool> styleStack_;
  int32_t current_ = -1;
};

}  // namespace

uint64_t SvgWorkEstimate(std::string_view markup, const SvgWorkLimits& limits) {
  MarkupReader reader(markup, limits);
  if (!reader.Read()) {
    return UINT64_MAX;
  }
  return reader.Work();
}

bool SvgWorkWithinLimits(std::string_view markup, const SvgWorkLimits& limits) {
  return SvgWorkEstimate(markup, limits) <= limits.maxWork;
}

}  // namespace zelmor
