#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

namespace zelmor {

// The longest side a PNG is decoded row by row up to. Such a picture is never
// held whole, so the bound is on the work it implies (65535 x 65535 is 4 Gi
// pixels, minutes of inflating), not on memory.
inline constexpr uint32_t kMaxStreamedSide = 65535;

// A PNG decoded one row at a time, from the top down, in memory for a few rows
// whatever the picture's height.
class PngRowReader {
 public:
  // Gives the file's next `count` bytes; false when fewer are left or reading
  // fails.
  using ReadBytes = std::function<bool(uint8_t* out, std::size_t count)>;

  // Reads the header of the PNG that `read` gives from its first byte on.
  // Nothing for bytes that are no PNG, a side over kMaxStreamedSide, or an
  // interlaced PNG, whose rows arrive in seven passes over the whole picture.
  static std::unique_ptr<PngRowReader> Open(ReadBytes read);
  // The same for a PNG held in memory, which must outlive the reader.
  static std::unique_ptr<PngRowReader> Open(std::span<const uint8_t> file);

  // The sides of the PNG whose chunks before its image data `head` holds,
  // when a reader would open it.
  struct Sides {
    int32_t width;
    int32_t height;
  };
  static std::optional<Sides> ReadSides(std::span<const uint8_t> head);
  ~PngRowReader();
  PngRowReader(const PngRowReader&) = delete;
  PngRowReader& operator=(const PngRowReader&) = delete;

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }

  // Decodes the next row into `out`, width() pixels of blue, green, red and
  // alpha, straight alpha, tRNS applied, 16-bit samples rounded to the nearest
  // 8-bit level. False when the data is damaged or ends before the row does,
  // or, for the last row, when the file's chunks after it are.
  bool ReadRow(uint8_t* out);
  // The same with red and blue as the PNG stores them (red, green, blue,
  // alpha), for a caller that swaps them elsewhere with SwapRedAndBlue.
  bool ReadRgbaRow(uint8_t* out);

 private:
  struct Impl;
  explicit PngRowReader(std::unique_ptr<Impl> impl, int32_t width, int32_t height);
  std::unique_ptr<Impl> impl_;
  int32_t width_;
  int32_t height_;
};

// Turns `pixels` pixels from red, green, blue, alpha into blue, green, red,
// alpha or back, in place.
void SwapRedAndBlue(uint8_t* pixels, std::size_t count);

}  // namespace zelmor
