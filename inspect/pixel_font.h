#pragma once

#include <cstdint>
#include <string_view>

#include "platform/bitmap.h"

namespace zelmor {

// A 5 x 7 pixel font of the few characters a contact-sheet label needs:
// digits, "#", "x", "?", "-", a space and the letters of "png", "bmp" and
// "bit"; any other character is drawn as "?". Built in rather than drawn by
// Qt: text through QPainter needs a QGuiApplication (a display) and gives
// different pixels with every font and FreeType version, while the sheet
// must come out the same everywhere, from the command line too.
inline constexpr int32_t kGlyphWidth = 5;
inline constexpr int32_t kGlyphHeight = 7;
inline constexpr int32_t kGlyphAdvance = kGlyphWidth + 1;

int32_t TextWidth(std::string_view text);

// Sets the pixels of `text` with its top left at (x, y) to `argb` (0xAARRGGBB);
// pixels outside the bitmap are left out.
void DrawText(Bitmap& target, int32_t x, int32_t y, std::string_view text, uint32_t argb);

}  // namespace zelmor
