#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "encoding/icon_image.h"

namespace zelmor {

// The ICO container. Every field is written and read one by one, little-endian;
// no struct is ever copied to or from disk as a whole.

struct ICONDIR {
  uint16_t idReserved = 0;
  uint16_t idType = 1;
  uint16_t idCount = 0;
};
inline constexpr uint32_t kIconDirBytes = 6;

struct ICONDIRENTRY {
  uint8_t bWidth = 0;
  uint8_t bHeight = 0;
  uint8_t bColorCount = 0;
  uint8_t bReserved = 0;
  uint16_t wPlanes = 1;
  uint16_t wBitCount = 0;
  uint32_t dwBytesInRes = 0;
  uint32_t dwImageOffset = 0;
};
inline constexpr uint32_t kIconDirEntryBytes = 16;

struct BITMAPINFOHEADER {
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};
inline constexpr uint32_t kBitmapInfoHeaderBytes = 40;

void AppendIconDir(std::vector<uint8_t>& out, const ICONDIR& dir);
void AppendIconDirEntry(std::vector<uint8_t>& out, const ICONDIRENTRY& entry);
void AppendBitmapInfoHeader(std::vector<uint8_t>& out, const BITMAPINFOHEADER& header);

// MakeIconDirEntry, SerializeIconImage and WriteIconFile throw
// std::invalid_argument for a depth other than 4, 8, 24 or 32, or an image
// whose size, palette or buffers do not match that depth (as EncodeIconImage
// makes them), so a written header never contradicts its block.

// The directory entry of `image` at depth `bits` whose block starts at `offset`.
ICONDIRENTRY MakeIconDirEntry(const IconImageData& image, int bits, uint32_t offset);

// 40 + 4 x palette entries + XOR bytes + mask bytes. Throws
// std::invalid_argument when that exceeds 32 bits.
uint32_t IconImageByteCount(const IconImageData& image);

// The image block: header, palette (when any), XOR bitmap, AND mask.
std::vector<uint8_t> SerializeIconImage(const IconImageData& image, int bits);

// File offsets of image blocks of the given lengths, placed back to back after
// the header and a directory of one entry per block. Throws
// std::invalid_argument for more than 65535 blocks or a file past 4 GiB (any
// offset or the file's end beyond 32 bits).
std::vector<uint32_t> IconBlockOffsets(std::span<const uint32_t> blockBytes);

// Lays out a whole ICO file from `images`, all at depth `bits`: header,
// directory with running offsets, then every block, handed to `sink` in file
// order (header and directory first, as one piece, then one piece per block),
// so the count, offsets and lengths always agree with the blocks. Throws
// std::invalid_argument for more than 65535 images or a file past 4 GiB.
using ByteSink = std::function<void(std::span<const uint8_t>)>;
void WriteIconFile(std::span<const IconImageData> images, int bits, const ByteSink& sink);

// The same layout collected into one buffer.
std::vector<uint8_t> BuildIconFile(std::span<const IconImageData> images, int bits);

// One stored image beside the directory entry that announces it, for files
// whose entries differ in depth or form. The layout fills in the entry's
// length and offset from `bytes`.
struct IconBlock {
  ICONDIRENTRY entry;
  std::vector<uint8_t> bytes;
};

// `image` as a bitmap block at depth `bits`: the entry of MakeIconDirEntry and
// the bytes of SerializeIconImage.
IconBlock MakeBitmapBlock(const IconImageData& image, int bits);

// A complete PNG stream of a width x height 32-bit picture as a block: the
// entry says 32 bits, 1 plane, 0 colours, and the sides as a bitmap's would
// (their low byte, so 256 as 0). Throws std::invalid_argument for a side
// below 1 or no bytes.
IconBlock MakePngBlock(int32_t width, int32_t height, std::vector<uint8_t> png);

// Lays out a whole ICO file of `blocks`, in order, as WriteIconFile does.
// Throws std::invalid_argument for more than 65535 blocks or a file past
// 4 GiB, before anything reaches the sink.
void WriteIconBlocks(std::span<const IconBlock> blocks, const ByteSink& sink);

}  // namespace zelmor
