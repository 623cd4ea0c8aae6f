#include "inspect/inspection_text.h"

namespace zelmor {
namespace {

std::string Number(const std::optional<int32_t>& value) {
  return value ? std::to_string(*value) : "?";
}

// The directory's own fields where they disagree with the picture; all of
// them when there is no picture to compare with.
std::string DirectoryDisagreement(const InspectedEntry& entry) {
  const IcoDirEntry& dir = entry.directory;
  const bool known = entry.width.has_value();
  std::string parts;
  const auto add = [&parts](const std::string& part) {
    parts += (parts.empty() ? "" : ", ") + part;
  };
  const int32_t width = dir.width == 0 ? 256 : dir.width;
  const int32_t height = dir.height == 0 ? 256 : dir.height;
  if (!known || width != *entry.width) {
    add("width " + std::to_string(dir.width));
  }
  if (!known || height != *entry.height) {
    add("height " + std::to_string(dir.height));
  }
  const bool bitsKnown = entry.bits.has_value();
  const uint32_t colours = bitsKnown && *entry.bits < 8 ? uint32_t{1} << *entry.bits : 0;
  if (!bitsKnown || dir.colorCount != colours) {
    add("colours " + std::to_string(dir.colorCount));
  }
  if (!known || dir.planes != 1) {
    add("planes " + std::to_string(dir.planes));
  }
  if (!bitsKnown || (dir.bitCount != 0 && dir.bitCount != *entry.bits)) {
    add("bits " + std::to_string(dir.bitCount));
  }
  return parts.empty() ? "" : " (directory: " + parts + ")";
}

}  // namespace

std::string FormatInspectionText(const IconInspection& inspection) {
  std::string text = inspection.file + ": " + std::to_string(inspection.bytes) + " bytes, " +
                     std::to_string(inspection.count.value_or(0)) + " entries\n";
  for (const InspectedEntry& entry : inspection.entries) {
    text += "  entry " + std::to_string(entry.index) + ": " + Number(entry.width) + "x" +
            Number(entry.height) + " " +
            (entry.bits ? std::to_string(*entry.bits) : std::string("?")) + "-bit " +
            (entry.png ? "png" : "bmp") + ", " + std::to_string(entry.directory.bytesInRes) +
            " bytes at offset " + std::to_string(entry.directory.imageOffset) +
            DirectoryDisagreement(entry) + "\n";
  }
  for (const Finding& finding : inspection.findings) {
    text += std::string("  ") + (finding.level == FindingLevel::kError ? "error " : "warning ") +
            finding.code + ": " + finding.message + "\n";
  }
  return text;
}

}  // namespace zelmor
