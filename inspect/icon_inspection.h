#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "overlay/ico_reader.h"

namespace zelmor {

enum class FindingLevel { kError, kWarning };

// One fault of an icon that some consumer refuses or gets wrong. `code` is one
// of the stable names scripts match on (see InspectIcon); `message` names the
// entry ("entry 2: ...") when there is one.
struct Finding {
  FindingLevel level = FindingLevel::kError;
  std::string code;
  std::optional<uint32_t> entry;
  std::string message;
};

// One directory entry, with what its block holds beside what the directory
// says of it. The picture's fields are empty when the block does not decode.
struct InspectedEntry {
  uint32_t index = 0;
  std::optional<int32_t> width;
  std::optional<int32_t> height;
  std::optional<uint16_t> bits;
  bool png = false;
  IcoDirEntry directory;
};

struct IconInspection {
  std::string file;  // as the caller named it; InspectIcon leaves it empty
  uint64_t bytes = 0;
  std::optional<uint16_t> type;   // nothing for a file shorter than the header
  std::optional<uint16_t> count;  // idCount as written
  std::vector<InspectedEntry> entries;
  std::vector<Finding> findings;

  bool HasError() const;
};

// Lists every entry of the ICO file held in `bytes` and names every fault
// found, errors first among those of the file, then entry by entry, then those
// of the icon as a whole. Never fails: a file that is no icon gets the
// not-an-icon error and no entries. Decodes each block (one at a time) through
// DecodeIconEntry, as the overlay engine does; needs a live ImagingSession.
//
// Errors: not-an-icon, entry-outside-file, entry-undecodable, entries-overlap,
// size-mismatch, png-not-rgba. Warnings: reserved-not-zero, planes-not-one,
// bits-mismatch, duplicate-entry, not-square, no-256, png-small-entry,
// over-1mib, ascending-order, unused-bytes.
IconInspection InspectIcon(std::span<const uint8_t> bytes);

}  // namespace zelmor
