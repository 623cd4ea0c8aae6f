#include "inspect/contact_sheet.h"

#include <algorithm>
#include <new>

#include "inspect/pixel_font.h"
#include "overlay/decode_icon_entry.h"
#include "platform/imaging.h"

namespace zelmor {
namespace {

constexpr int32_t kMargin = 8;
constexpr int32_t kLabelGap = 3;
// A quarter of the bitmap limit (8192 x 8192 pixels): enough for every entry
// a real icon holds at 100 %, and with the largest picture it shows decoded
// beside it, the sheet stays well inside the imaging limit.
constexpr uint64_t kMaxSheetBytes = kMaxBitmapBytes / 4;

std::string Label(const InspectedEntry& entry) {
  std::string label = "#" + std::to_string(entry.index) + " ";
  if (!entry.width) {
    return label + "?";
  }
  return label + std::to_string(*entry.width) + "x" + std::to_string(*entry.height) + " " +
         (entry.bits ? std::to_string(*entry.bits) : std::string("?")) +
         (entry.png ? " png" : " bmp");
}

void Fill(Bitmap& sheet, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t argb) {
  for (int32_t row = y; row < y + height; ++row) {
    uint8_t* pixel = sheet.row(row) + 4 * static_cast<std::ptrdiff_t>(x);
    for (int32_t col = 0; col < width; ++col, pixel += 4) {
      for (int i = 0; i < 4; ++i) {
        pixel[i] = static_cast<uint8_t>(argb >> (8 * i));
      }
    }
  }
}

// `picture` over an opaque background already in the sheet, straight alpha,
// rounded to the nearest value.
void Composite(Bitmap& sheet, int32_t x, int32_t y, const Bitmap& picture) {
  for (int32_t row = 0; row < picture.height(); ++row) {
    const uint8_t* src = picture.row(row);
    uint8_t* dst = sheet.row(y + row) + 4 * static_cast<std::ptrdiff_t>(x);
    for (int32_t col = 0; col < picture.width(); ++col, src += 4, dst += 4) {
      const uint32_t alpha = src[3];
      for (int i = 0; i < 3; ++i) {
        dst[i] = static_cast<uint8_t>((src[i] * alpha + dst[i] * (255 - alpha) + 127) / 255);
      }
    }
  }
}

}  // namespace

std::optional<SheetLayout> LayOutContactSheet(const IconInspection& inspection) {
  if (inspection.entries.empty()) {
    return std::nullopt;
  }
  SheetLayout layout;
  // 64-bit sums: 65535 entries of 16384 rows pass any 32-bit side.
  uint64_t width = 0;
  uint64_t y = kMargin;
  for (const InspectedEntry& entry : inspection.entries) {
    SheetCell cell;
    cell.label = Label(entry);
    const uint64_t w = entry.width ? static_cast<uint64_t>(*entry.width) : 0;
    const uint64_t h = entry.height ? static_cast<uint64_t>(*entry.height) : 0;
    width = std::max({width, 2 * w + kMargin, static_cast<uint64_t>(TextWidth(cell.label))});
    const uint64_t labelY = y + h + (h > 0 ? kLabelGap : 0);
    const uint64_t next = labelY + kGlyphHeight + kMargin;
    if (next > kMaxSheetBytes) {
      return std::nullopt;
    }
    cell.lightX = kMargin;
    cell.darkX = static_cast<int32_t>(kMargin + w + kMargin);
    cell.y = static_cast<int32_t>(y);
    cell.labelY = static_cast<int32_t>(labelY);
    layout.cells.push_back(std::move(cell));
    y = next;
  }
  width += 2 * kMargin;
  if (width * y * 4 > kMaxSheetBytes) {
    return std::nullopt;
  }
  layout.width = static_cast<int32_t>(width);
  layout.height = static_cast<int32_t>(y);
  return layout;
}

std::optional<Bitmap> DrawContactSheet(std::span<const uint8_t> bytes,
                                       const IconInspection& inspection) {
  const std::optional<SheetLayout> layout = LayOutContactSheet(inspection);
  if (!layout) {
    return std::nullopt;
  }
  std::optional<Bitmap> sheet;
  try {
    sheet.emplace(layout->width, layout->height);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  Fill(*sheet, 0, 0, layout->width, layout->height, kSheetBackground);
  for (std::size_t i = 0; i < layout->cells.size(); ++i) {
    const SheetCell& cell = layout->cells[i];
    const InspectedEntry& entry = inspection.entries[i];
    DrawText(*sheet, cell.lightX, cell.labelY, cell.label, kSheetLabel);
    if (!entry.width) {
      continue;
    }
    const std::optional<std::span<const uint8_t>> block = IconEntryBytes(bytes, entry.directory);
    int32_t width = 0;
    int32_t height = 0;
    const std::optional<Bitmap> picture =
        block ? DecodeIconEntry(block->data(), static_cast<uint32_t>(block->size()), width, height)
              : std::nullopt;
    // The same bytes decode to the same picture as during the inspection.
    if (!picture || width != *entry.width || height != *entry.height) {
      continue;
    }
    Fill(*sheet, cell.lightX, cell.y, width, height, kSheetLight);
    Fill(*sheet, cell.darkX, cell.y, width, height, kSheetDark);
    Composite(*sheet, cell.lightX, cell.y, *picture);
    Composite(*sheet, cell.darkX, cell.y, *picture);
  }
  return sheet;
}

}  // namespace zelmor
