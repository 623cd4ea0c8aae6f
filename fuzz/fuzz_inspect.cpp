// Arbitrary bytes as an ICO file through the inspector: the directory walk,
// both entry decoders, the overlap and gap sweeps, both renderings and, when
// it stays small, the contact sheet. Whatever the input, the record must agree
// with the directory it was read from.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "fuzz/fuzz_support.h"
#include "inspect/contact_sheet.h"
#include "inspect/icon_inspection.h"
#include "inspect/inspection_json.h"
#include "inspect/inspection_text.h"
#include "platform/imaging.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace zelmor;
  static const ImagingSession imaging;
  const std::span<const uint8_t> bytes(data, size);
  const IconInspection inspection = InspectIcon(bytes);

  fuzz::Check(inspection.bytes == size, "the record's length is not the input's");
  const bool notIcon = !inspection.findings.empty() && inspection.findings[0].code == "not-an-icon";
  fuzz::Check(notIcon == inspection.entries.empty(),
              "entries listed for a file that is no icon, or none for one that is");
  if (!notIcon) {
    fuzz::Check(inspection.count && inspection.entries.size() == *inspection.count,
                "not one record per directory entry");
  }
  for (const Finding& finding : inspection.findings) {
    fuzz::Check(!finding.entry || *finding.entry < inspection.entries.size(),
                "a finding names an entry that does not exist");
  }
  for (const InspectedEntry& entry : inspection.entries) {
    fuzz::Check(entry.width.has_value() == entry.height.has_value(),
                "an entry with only one side known");
    fuzz::Check(!entry.width || (*entry.width > 0 && *entry.height > 0),
                "a decoded entry without a positive size");
  }
  const std::string text = FormatInspectionText(inspection);
  const std::string json = FormatInspectionJson({&inspection, 1});
  fuzz::Check(!text.empty() && json.front() == '[' && json.back() == '\n',
              "a rendering came out empty or cut");
  const std::optional<SheetLayout> layout = LayOutContactSheet(inspection);
  // Large sheets are right but slow under the sanitizers; the drawing code
  // is the same for all sizes.
  if (layout && uint64_t{static_cast<uint32_t>(layout->width)} * layout->height <= 1u << 20) {
    const std::optional<Bitmap> sheet = DrawContactSheet(bytes, inspection);
    fuzz::Check(sheet && sheet->width() == layout->width && sheet->height() == layout->height,
                "the sheet does not have its layout's size");
  }
  return 0;
}
