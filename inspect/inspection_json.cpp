#include "inspect/inspection_json.h"

#include <cstdio>

namespace zelmor {
namespace {

// A JSON string: quotes, backslashes and control characters escaped, every
// other byte as it is (paths and messages are UTF-8).
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

template <typename T>
std::string OrNull(const std::optional<T>& value) {
  return value ? std::to_string(*value) : "null";
}

std::string Field(const char* name, const std::string& value) {
  return Quoted(name) + ": " + value;
}

std::string EntryJson(const InspectedEntry& entry) {
  const IcoDirEntry& dir = entry.directory;
  return "{" + Field("index", std::to_string(entry.index)) + ", " +
         Field("width", OrNull(entry.width)) + ", " + Field("height", OrNull(entry.height)) + ", " +
         Field("bits", OrNull(entry.bits)) + ", " +
         Field("format", Quoted(entry.png ? "png" : "bmp")) + ", " +
         Field("bytes", std::to_string(dir.bytesInRes)) + ", " +
         Field("offset", std::to_string(dir.imageOffset)) + ", " +
         Field("directory", "{" + Field("width", std::to_string(dir.width)) + ", " +
                                Field("height", std::to_string(dir.height)) + ", " +
                                Field("colors", std::to_string(dir.colorCount)) + ", " +
                                Field("planes", std::to_string(dir.planes)) + ", " +
                                Field("bits", std::to_string(dir.bitCount)) + "}") +
         "}";
}

std::string FindingJson(const Finding& finding) {
  return "{" + Field("level", Quoted(finding.level == FindingLevel::kError ? "error" : "warning")) +
         ", " + Field("code", Quoted(finding.code)) + ", " + Field("entry", OrNull(finding.entry)) +
         ", " + Field("message", Quoted(finding.message)) + "}";
}

template <typename T, typename F>
std::string List(const std::vector<T>& items, F format, const char* indent) {
  if (items.empty()) {
    return "[]";
  }
  std::string out = "[\n";
  for (std::size_t i = 0; i < items.size(); ++i) {
    out += indent + format(items[i]) + (i + 1 < items.size() ? ",\n" : "\n");
  }
  return out + std::string(indent, indent + 4) + "]";
}

}  // namespace

std::string FormatInspectionJson(std::span<const IconInspection> inspections) {
  std::string out = "[";
  for (std::size_t i = 0; i < inspections.size(); ++i) {
    const IconInspection& it = inspections[i];
    out += std::string(i == 0 ? "\n" : ",\n") + "  {" + Field("file", Quoted(it.file)) + ",\n" +
           "    " + Field("bytes", std::to_string(it.bytes)) + ",\n" + "    " +
           Field("type", OrNull(it.type)) + ",\n" + "    " + Field("count", OrNull(it.count)) +
           ",\n" + "    " + Field("entries", List(it.entries, EntryJson, "      ")) + ",\n" +
           "    " + Field("findings", List(it.findings, FindingJson, "      ")) + "}";
  }
  return out + (inspections.empty() ? "]\n" : "\n]\n");
}

}  // namespace zelmor
