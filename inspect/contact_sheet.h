#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "inspect/icon_inspection.h"
#include "platform/bitmap.h"

namespace zelmor {

// The backgrounds every entry is shown over, 0xAARRGGBB, and the sheet's own.
inline constexpr uint32_t kSheetLight = 0xFFFFFFFF;
inline constexpr uint32_t kSheetDark = 0xFF202020;
inline constexpr uint32_t kSheetBackground = 0xFF909090;
inline constexpr uint32_t kSheetLabel = 0xFF000000;

// Where one entry lands: its picture at 100 % at (lightX, y) over the light
// background and at (darkX, y) over the dark one, its label below at
// (lightX, labelY). An entry that does not decode has only its label.
struct SheetCell {
  int32_t lightX = 0;
  int32_t darkX = 0;
  int32_t y = 0;
  int32_t labelY = 0;
  std::string label;  // "#INDEX WxH BITS png|bmp", or "#INDEX ?" for no picture
};

struct SheetLayout {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<SheetCell> cells;  // one per inspected entry, top to bottom
};

// One row per entry. Nothing when there is no entry or the sheet would pass
// 8192 x 8192 pixels.
std::optional<SheetLayout> LayOutContactSheet(const IconInspection& inspection);

// The sheet of the icon held in `bytes`, as `inspection` (of the same bytes)
// lays it out, each block decoded again, one at a time. Needs a live
// ImagingSession. Nothing when LayOutContactSheet gives nothing.
std::optional<Bitmap> DrawContactSheet(std::span<const uint8_t> bytes,
                                       const IconInspection& inspection);

}  // namespace zelmor
