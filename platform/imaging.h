#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/bitmap.h"

namespace zelmor {

// No decoded picture may need more than this many bytes of pixels; a picture of
// 16384 x 16384 at 4 bytes a pixel is exactly this large.
inline constexpr uint64_t kMaxDecodedImageBytes = kMaxBitmapBytes;

// One use of the imaging layer by an engine run. Creating it prepares the
// decoders (their allocation limit among them); it cannot fail.
class ImagingSession {
 public:
  ImagingSession();
  ~ImagingSession();
  ImagingSession(const ImagingSession&) = delete;
  ImagingSession& operator=(const ImagingSession&) = delete;
};

// Decodes a picture file of any format the installed image plugins read (the
// first frame of an animation). Nothing for a missing file, a folder, an
// unreadable, damaged or unsupported file, or a picture over the limit.
std::optional<Bitmap> LoadPictureFile(const std::string& path);

// Decodes PNG bytes held in memory, under the same limit.
std::optional<Bitmap> DecodePngBytes(const uint8_t* data, std::size_t size);

}  // namespace zelmor
