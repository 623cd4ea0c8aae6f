#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "platform/bitmap.h"
#include "platform/picture_colour.h"

namespace zelmor {

// Converts `picture` (BGRA, straight alpha) from the colour space of an ICC
// profile to sRGB, relative colorimetric, alpha kept. RGB profiles of every
// kind (matrix and curves, LUT based) and grey profiles are taken. A profile
// that describes sRGB leaves the pixels untouched. False, and the pixels
// untouched, for a profile that cannot be read or is of another colour space
// (CMYK, Lab pictures): the picture is then taken as sRGB, as browsers do.
bool ConvertToSrgb(Bitmap& picture, std::span<const uint8_t> iccProfile);

// The same for the colour chunks of a PNG file without an ICC profile. An
// sRGB chunk means sRGB. cHRM gives the primaries and white point, gAMA the
// curve; the one missing is taken from sRGB, which is what colour-managed
// browsers do, so gAMA alone is a pure power curve on sRGB's primaries.
bool ConvertPngColourToSrgb(Bitmap& picture, const PngColourChunks& chunks);

// The same for H.273 colour primaries and transfer characteristics. BT.709
// primaries with an sRGB-like or unspecified curve mean sRGB. False for
// codes without a fixed profile (PQ, HLG, unknown ones).
bool ConvertCicpToSrgb(Bitmap& picture, const CicpColour& cicp);

// Whichever of the above `colour` calls for: its ICC profile first, then PNG
// chunks, then H.273 codes. Nothing to do for a picture that says nothing.
void ConvertPictureColourToSrgb(Bitmap& picture, const PictureColour& colour);

// The same conversion worked out once and applied to any number of pixels:
// the rows of a picture decoded a few at a time come out as the whole picture
// converted at once would.
class SrgbConversion {
 public:
  explicit SrgbConversion(const PictureColour& colour);
  ~SrgbConversion();
  SrgbConversion(const SrgbConversion&) = delete;
  SrgbConversion& operator=(const SrgbConversion&) = delete;

  void Apply(Bitmap& pixels) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zelmor
