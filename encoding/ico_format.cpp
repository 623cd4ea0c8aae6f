#include "encoding/ico_format.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace zelmor {
namespace {

constexpr size_t kMaxIconImages = 65535;  // idCount is 16 bits

void PutU8(std::vector<uint8_t>& out, uint8_t value) {
  out.push_back(value);
}

void PutU16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutI32(std::vector<uint8_t>& out, int32_t value) {
  PutU32(out, static_cast<uint32_t>(value));
}

uint32_t PaletteEntriesForDepth(int bits) {
  return bits == 4 ? 16 : (bits == 8 ? 256 : 0);
}

// Refuses a record that would produce a block contradicting its own header:
// every length the header and the directory state is derived from the depth
// and the size, so the buffers must match them exactly.
void CheckImageForDepth(const IconImageData& image, int bits, const char* caller) {
  const std::string where = std::string(caller) + ": ";
  if (bits != 4 && bits != 8 && bits != 24 && bits != 32) {
    throw std::invalid_argument(where + "depth must be 4, 8, 24 or 32 bits");
  }
  if (image.size < 1) throw std::invalid_argument(where + "image size below 1");
  if (image.palette.size() != PaletteEntriesForDepth(bits)) {
    throw std::invalid_argument(where + "palette length does not match the depth");
  }
  const uint64_t rows = static_cast<uint64_t>(image.size);
  if (image.xorBitmap.size() != XorStride(image.size, bits) * rows) {
    throw std::invalid_argument(where + "XOR bitmap length does not match size and depth");
  }
  if (image.andMask.size() != MaskStride(image.size) * rows) {
    throw std::invalid_argument(where + "AND mask length does not match size");
  }
}

}  // namespace

void AppendIconDir(std::vector<uint8_t>& out, const ICONDIR& dir) {
  PutU16(out, dir.idReserved);
  PutU16(out, dir.idType);
  PutU16(out, dir.idCount);
}

void AppendIconDirEntry(std::vector<uint8_t>& out, const ICONDIRENTRY& entry) {
  PutU8(out, entry.bWidth);
  PutU8(out, entry.bHeight);
  PutU8(out, entry.bColorCount);
  PutU8(out, entry.bReserved);
  PutU16(out, entry.wPlanes);
  PutU16(out, entry.wBitCount);
  PutU32(out, entry.dwBytesInRes);
  PutU32(out, entry.dwImageOffset);
}

void AppendBitmapInfoHeader(std::vector<uint8_t>& out, const BITMAPINFOHEADER& header) {
  PutU32(out, header.biSize);
  PutI32(out, header.biWidth);
  PutI32(out, header.biHeight);
  PutU16(out, header.biPlanes);
  PutU16(out, header.biBitCount);
  PutU32(out, header.biCompression);
  PutU32(out, header.biSizeImage);
  PutI32(out, header.biXPelsPerMeter);
  PutI32(out, header.biYPelsPerMeter);
  PutU32(out, header.biClrUsed);
  PutU32(out, header.biClrImportant);
}

ICONDIRENTRY MakeIconDirEntry(const IconImageData& image, int bits, uint32_t offset) {
  CheckImageForDepth(image, bits, "MakeIconDirEntry");
  ICONDIRENTRY entry;
  // A one-byte width cannot say 256; 0 stands for it.
  const uint8_t side = image.size == 256 ? 0 : static_cast<uint8_t>(image.size & 0xFF);
  entry.bWidth = side;
  entry.bHeight = side;
  entry.bColorCount = bits < 8 ? static_cast<uint8_t>(1u << bits) : 0;
  entry.bReserved = 0;
  entry.wPlanes = 1;
  entry.wBitCount = static_cast<uint16_t>(bits);
  entry.dwBytesInRes = IconImageByteCount(image);
  entry.dwImageOffset = offset;
  return entry;
}

uint32_t IconImageByteCount(const IconImageData& image) {
  const uint64_t count = uint64_t{kBitmapInfoHeaderBytes} + 4 * uint64_t{image.palette.size()} +
                         image.xorBitmap.size() + image.andMask.size();
  if (count > UINT32_MAX) throw std::invalid_argument("IconImageByteCount: block past 4 GiB");
  return static_cast<uint32_t>(count);
}

std::vector<uint8_t> SerializeIconImage(const IconImageData& image, int bits) {
  CheckImageForDepth(image, bits, "SerializeIconImage");
  BITMAPINFOHEADER header;
  header.biWidth = image.size;
  header.biHeight = static_cast<int32_t>(2 * int64_t{image.size});  // XOR rows and AND rows
  header.biBitCount = static_cast<uint16_t>(bits);
  header.biSizeImage = static_cast<uint32_t>(image.xorBitmap.size());
  header.biClrUsed = PaletteEntriesForDepth(bits);

  std::vector<uint8_t> block;
  block.reserve(IconImageByteCount(image));
  AppendBitmapInfoHeader(block, header);
  for (const RGBQUAD& entry : image.palette) {
    PutU8(block, entry.rgbBlue);
    PutU8(block, entry.rgbGreen);
    PutU8(block, entry.rgbRed);
    PutU8(block, entry.rgbReserved);
  }
  block.insert(block.end(), image.xorBitmap.begin(), image.xorBitmap.end());
  block.insert(block.end(), image.andMask.begin(), image.andMask.end());
  return block;
}

std::vector<uint32_t> IconBlockOffsets(std::span<const uint32_t> blockBytes) {
  if (blockBytes.size() > kMaxIconImages) {
    throw std::invalid_argument("IconBlockOffsets: more than 65535 images");
  }
  std::vector<uint32_t> offsets;
  offsets.reserve(blockBytes.size());
  uint64_t offset = kIconDirBytes + uint64_t{kIconDirEntryBytes} * blockBytes.size();
  for (uint32_t length : blockBytes) {
    offsets.push_back(static_cast<uint32_t>(offset));
    offset += length;
    // Every offset and the end of the file must be expressible in 32 bits.
    if (offset > UINT32_MAX) throw std::invalid_argument("IconBlockOffsets: file past 4 GiB");
  }
  return offsets;
}

void WriteIconFile(std::span<const IconImageData> images, int bits, const ByteSink& sink) {
  if (images.size() > kMaxIconImages) {
    throw std::invalid_argument("WriteIconFile: more than 65535 images");
  }
  // Everything is checked before the first byte reaches the sink, so a refused
  // file leaves nothing half written.
  std::vector<uint32_t> lengths;
  lengths.reserve(images.size());
  for (const IconImageData& image : images) {
    CheckImageForDepth(image, bits, "WriteIconFile");
    lengths.push_back(IconImageByteCount(image));
  }
  const std::vector<uint32_t> offsets = IconBlockOffsets(lengths);

  std::vector<uint8_t> head;
  head.reserve(kIconDirBytes + size_t{kIconDirEntryBytes} * images.size());
  AppendIconDir(head, ICONDIR{0, 1, static_cast<uint16_t>(images.size())});
  for (size_t i = 0; i < images.size(); ++i) {
    AppendIconDirEntry(head, MakeIconDirEntry(images[i], bits, offsets[i]));
  }
  sink(head);
  for (const IconImageData& image : images) sink(SerializeIconImage(image, bits));
}

std::vector<uint8_t> BuildIconFile(std::span<const IconImageData> images, int bits) {
  std::vector<uint8_t> file;
  WriteIconFile(images, bits, [&file](std::span<const uint8_t> piece) {
    file.insert(file.end(), piece.begin(), piece.end());
  });
  return file;
}

IconBlock MakeBitmapBlock(const IconImageData& image, int bits) {
  return IconBlock{MakeIconDirEntry(image, bits, 0), SerializeIconImage(image, bits)};
}

IconBlock MakePngBlock(int32_t width, int32_t height, std::vector<uint8_t> png) {
  if (width < 1 || height < 1) throw std::invalid_argument("MakePngBlock: side below 1");
  if (png.empty()) throw std::invalid_argument("MakePngBlock: no PNG bytes");
  ICONDIRENTRY entry;
  // The low byte, as for a bitmap entry: 256 as 0.
  entry.bWidth = static_cast<uint8_t>(width & 0xFF);
  entry.bHeight = static_cast<uint8_t>(height & 0xFF);
  entry.bColorCount = 0;
  entry.wPlanes = 1;
  entry.wBitCount = 32;
  return IconBlock{entry, std::move(png)};
}

void WriteIconBlocks(std::span<const IconBlock> blocks, const ByteSink& sink) {
  std::vector<uint32_t> lengths;
  lengths.reserve(blocks.size());
  for (const IconBlock& block : blocks) {
    if (block.bytes.size() > UINT32_MAX) {
      throw std::invalid_argument("WriteIconBlocks: block past 4 GiB");
    }
    lengths.push_back(static_cast<uint32_t>(block.bytes.size()));
  }
  const std::vector<uint32_t> offsets = IconBlockOffsets(lengths);

  std::vector<uint8_t> head;
  head.reserve(kIconDirBytes + size_t{kIconDirEntryBytes} * blocks.size());
  AppendIconDir(head, ICONDIR{0, 1, static_cast<uint16_t>(blocks.size())});
  for (size_t i = 0; i < blocks.size(); ++i) {
    ICONDIRENTRY entry = blocks[i].entry;
    entry.dwBytesInRes = lengths[i];
    entry.dwImageOffset = offsets[i];
    AppendIconDirEntry(head, entry);
  }
  sink(head);
  for (const IconBlock& block : blocks) sink(block.bytes);
}

}  // namespace zelmor
