#include "inspect/icon_inspection.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <utility>

#include "inspect/byte_ranges.h"
#include "overlay/decode_icon_entry.h"
#include "overlay/little_endian.h"

namespace zelmor {
namespace {

// NSIS refuses icons past 1 MiB.
constexpr uint64_t kLargestIconBytes = uint64_t{1} << 20;
constexpr int32_t kLargeSide = 256;

std::string Size(int32_t width, int32_t height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

std::string EntryName(uint32_t index) {
  return "entry " + std::to_string(index);
}

// The colour count an ICONDIRENTRY should hold for a picture of `bits` bits:
// the palette's length 2^bits below 8 bits. A 256-colour palette does not fit
// the byte and is written as 0, as is every depth without a palette; so at 8
// bits and above only 0 agrees.
uint32_t ExpectedColorCount(uint16_t bits) {
  return bits < 8 ? uint32_t{1} << bits : 0;
}

// Side stored in a directory byte, where 0 stands for 256.
int32_t DirectorySide(uint8_t stored) {
  return stored == 0 ? kLargeSide : stored;
}

// What one block decodes to; blocks named by several entries are decoded once.
struct DecodedBlock {
  bool decoded = false;
  int32_t width = 0;
  int32_t height = 0;
};

class Inspector {
 public:
  explicit Inspector(std::span<const uint8_t> bytes) : bytes_(bytes) {
    result_.bytes = bytes.size();
  }

  IconInspection Run() {
    if (bytes_.size() >= kIcoHeaderBytes) {
      result_.type = ReadU16(bytes_.data() + 2);
      result_.count = ReadU16(bytes_.data() + 4);
    }
    const IcoFault fault = CheckIcoDirectory(bytes_);
    if (fault != IcoFault::kNone) {
      Add(FindingLevel::kError, "not-an-icon", std::nullopt, NotIconReason(fault));
    }
    if (result_.type && ReadU16(bytes_.data()) != 0) {
      Add(FindingLevel::kWarning, "reserved-not-zero", std::nullopt,
          "idReserved is " + std::to_string(ReadU16(bytes_.data())) + ", not 0");
    }
    if (bytes_.size() > kLargestIconBytes) {
      Add(FindingLevel::kWarning, "over-1mib", std::nullopt,
          "the file is " + std::to_string(bytes_.size()) +
              " bytes, more than 1 MiB (1048576), which NSIS refuses");
    }
    if (fault != IcoFault::kNone) {
      return std::move(result_);
    }
    const uint16_t count = *result_.count;
    per_entry_.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
      InspectEntry(i);
    }
    CheckOverlapsAndDuplicates();
    for (std::vector<Finding>& findings : per_entry_) {
      std::move(findings.begin(), findings.end(), std::back_inserter(result_.findings));
    }
    CheckWhole();
    return std::move(result_);
  }

 private:
  std::string NotIconReason(IcoFault fault) const {
    switch (fault) {
      case IcoFault::kTooSmall:
        return "the file is " + std::to_string(bytes_.size()) +
               " bytes, shorter than the 6-byte header";
      case IcoFault::kNotIcon:
        return "idType is " + std::to_string(*result_.type) + ", not 1 (2 is a cursor)";
      case IcoFault::kNoEntries:
        return "the directory holds no entries";
      default:
        return "the directory of " + std::to_string(*result_.count) +
               " entries runs past the end of the file";
    }
  }

  void Add(FindingLevel level, const char* code, std::optional<uint32_t> entry,
           const std::string& text) {
    result_.findings.push_back({level, code, entry, text});
  }

  void AddFor(uint32_t index, FindingLevel level, const char* code, const std::string& text) {
    per_entry_[index].push_back({level, code, index, EntryName(index) + ": " + text});
  }

  const DecodedBlock& Decode(std::span<const uint8_t> block, const IcoDirEntry& dir) {
    const auto key = std::pair(dir.imageOffset, dir.bytesInRes);
    const auto known = decoded_.find(key);
    if (known != decoded_.end()) {
      return known->second;
    }
    DecodedBlock result;
    // The picture dies here: only its size is kept.
    result.decoded = DecodeIconEntry(block.data(), static_cast<uint32_t>(block.size()),
                                     result.width, result.height)
                         .has_value();
    return decoded_.emplace(key, result).first->second;
  }

  void InspectEntry(uint32_t index) {
    InspectedEntry entry;
    entry.index = index;
    entry.directory = ReadIcoDirEntry(bytes_, index);
    const IcoDirEntry& dir = entry.directory;
    if (dir.reserved != 0) {
      AddFor(index, FindingLevel::kWarning, "reserved-not-zero",
             "bReserved is " + std::to_string(dir.reserved) + ", not 0");
    }
    if (dir.planes != 1) {
      AddFor(index, FindingLevel::kWarning, "planes-not-one",
             "wPlanes is " + std::to_string(dir.planes) + ", not 1");
    }
    const uint64_t end = uint64_t{dir.imageOffset} + dir.bytesInRes;
    // The part of the block inside the file says whether it is meant as a PNG.
    const uint64_t present = dir.imageOffset < bytes_.size()
                                 ? std::min<uint64_t>(end, bytes_.size()) - dir.imageOffset
                                 : 0;
    const uint8_t* start = present > 0 ? bytes_.data() + dir.imageOffset : bytes_.data();
    const IconEntryForm form = DescribeIconEntry(start, static_cast<uint32_t>(present));
    entry.png = form.png;
    ranges_.push_back({dir.imageOffset, end, index});

    const std::optional<std::span<const uint8_t>> block = IconEntryBytes(bytes_, dir);
    if (!block) {
      AddFor(index, FindingLevel::kError, "entry-outside-file",
             std::to_string(dir.bytesInRes) + " bytes at offset " +
                 std::to_string(dir.imageOffset) + " end at " + std::to_string(end) +
                 ", past the file's " + std::to_string(bytes_.size()) + " bytes");
      result_.entries.push_back(entry);
      return;
    }
    const DecodedBlock& picture = Decode(*block, dir);
    if (!picture.decoded) {
      AddFor(index, FindingLevel::kError, "entry-undecodable",
             form.png ? "the PNG stream does not decode"
                      : "the block is neither a PNG nor a bitmap that decodes");
      result_.entries.push_back(entry);
      return;
    }
    entry.width = picture.width;
    entry.height = picture.height;
    entry.bits = form.bits;
    result_.entries.push_back(entry);
    CheckPicture(result_.entries.back(), form);
  }

  void CheckPicture(const InspectedEntry& entry, const IconEntryForm& form) {
    const uint32_t index = entry.index;
    const IcoDirEntry& dir = entry.directory;
    const int32_t width = *entry.width;
    const int32_t height = *entry.height;
    if (DirectorySide(dir.width) != width || DirectorySide(dir.height) != height) {
      AddFor(index, FindingLevel::kError, "size-mismatch",
             "the directory says " + Size(DirectorySide(dir.width), DirectorySide(dir.height)) +
                 ", the image is " + Size(width, height));
    }
    if (form.png && !form.rgba8) {
      AddFor(index, FindingLevel::kError, "png-not-rgba",
             form.bits ? "the PNG stream is " + std::to_string(*form.bits) +
                             "-bit, not 8-bit RGBA (colour type 6)"
                       : std::string("the PNG stream does not start with its header (IHDR)"));
    }
    if (entry.bits) {
      const uint16_t bits = *entry.bits;
      std::string wrong;
      if (dir.bitCount != 0 && dir.bitCount != bits) {
        wrong = "wBitCount is " + std::to_string(dir.bitCount);
      }
      if (dir.colorCount != ExpectedColorCount(bits)) {
        wrong += (wrong.empty() ? "" : ", ") + std::string("bColorCount is ") +
                 std::to_string(dir.colorCount) + " (should be " +
                 std::to_string(ExpectedColorCount(bits)) + ")";
      }
      if (!wrong.empty()) {
        AddFor(index, FindingLevel::kWarning, "bits-mismatch",
               wrong + " for a " + std::to_string(bits) + "-bit image");
      }
    }
    if (width != height) {
      AddFor(index, FindingLevel::kWarning, "not-square", "the image is " + Size(width, height));
    }
    if (form.png && (width < kLargeSide || height < kLargeSide)) {
      AddFor(index, FindingLevel::kWarning, "png-small-entry",
             "a " + Size(width, height) +
                 " PNG entry; Windows XP and .NET's Icon read only bitmaps below 256x256");
    }
  }

  void CheckOverlapsAndDuplicates() {
    for (const Overlap& overlap : FindOverlaps(ranges_)) {
      AddFor(overlap.later, FindingLevel::kError, "entries-overlap",
             "shares bytes with " + EntryName(overlap.earlier));
    }
    std::map<std::tuple<int32_t, int32_t, uint16_t>, uint32_t> seen;
    for (const InspectedEntry& entry : result_.entries) {
      if (!entry.width || !entry.bits) {
        continue;
      }
      const auto [first, inserted] =
          seen.emplace(std::tuple(*entry.width, *entry.height, *entry.bits), entry.index);
      if (!inserted) {
        AddFor(entry.index, FindingLevel::kWarning, "duplicate-entry",
               "same size and depth (" + Size(*entry.width, *entry.height) + ", " +
                   std::to_string(*entry.bits) + " bits) as " + EntryName(first->second));
      }
    }
  }

  void CheckWhole() {
    const std::vector<InspectedEntry>& entries = result_.entries;
    const bool has256 = std::any_of(entries.begin(), entries.end(), [](const InspectedEntry& e) {
      return e.width == kLargeSide && e.height == kLargeSide;
    });
    if (!has256) {
      Add(FindingLevel::kWarning, "no-256", std::nullopt,
          "no 256x256 entry, which electron-builder requires");
    }
    const auto area = [](const InspectedEntry& e) {
      return uint64_t(static_cast<uint32_t>(*e.width)) * static_cast<uint32_t>(*e.height);
    };
    if (!entries.empty() && entries.front().width) {
      const InspectedEntry* largest = nullptr;
      for (const InspectedEntry& e : entries) {
        if (e.width && area(e) > area(entries.front()) && (!largest || area(e) > area(*largest))) {
          largest = &e;
        }
      }
      if (largest != nullptr) {
        Add(FindingLevel::kWarning, "ascending-order", 0,
            EntryName(0) + ": the first entry (" +
                Size(*entries.front().width, *entries.front().height) + ") is smaller than " +
                EntryName(largest->index) + " (" + Size(*largest->width, *largest->height) +
                "); browsers show the first");
      }
    }
    std::vector<ByteRange> covered = ranges_;
    covered.push_back({0, kIcoHeaderBytes + kIcoDirEntryBytes * *result_.count, std::nullopt});
    const std::vector<ByteRange> gaps = FindGaps(std::move(covered), bytes_.size());
    if (!gaps.empty()) {
      uint64_t total = 0;
      for (const ByteRange& gap : gaps) {
        total += gap.end - gap.begin;
      }
      Add(FindingLevel::kWarning, "unused-bytes", std::nullopt,
          std::to_string(total) + " bytes in " + std::to_string(gaps.size()) +
              " run(s) that no directory or entry covers, the first " +
              std::to_string(gaps.front().end - gaps.front().begin) + " at offset " +
              std::to_string(gaps.front().begin));
    }
  }

  std::span<const uint8_t> bytes_;
  IconInspection result_;
  std::vector<std::vector<Finding>> per_entry_;
  std::vector<ByteRange> ranges_;
  std::map<std::pair<uint32_t, uint32_t>, DecodedBlock> decoded_;
};

}  // namespace

bool IconInspection::HasError() const {
  return std::any_of(findings.begin(), findings.end(),
                     [](const Finding& f) { return f.level == FindingLevel::kError; });
}

IconInspection InspectIcon(std::span<const uint8_t> bytes) {
  return Inspector(bytes).Run();
}

}  // namespace zelmor
