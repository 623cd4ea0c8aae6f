// A TGA decoder of our own: Qt's reader takes only uncompressed true-colour
// files with a 2.0 footer and scrambles even those; no Debian library
// decodes TGA behind a small C interface.
#include "platform/tga_decoder.h"

#include <algorithm>
#include <array>
#include <new>
#include <vector>

#include "platform/imaging.h"
#include "platform/little_endian.h"

namespace zelmor {
namespace {

constexpr std::size_t kHeaderBytes = 18;

enum class TgaKind { kMapped, kTrueColour, kGrey };

struct TgaHeader {
  TgaKind kind = TgaKind::kTrueColour;
  bool runLength = false;
  uint32_t idBytes = 0;
  bool hasMap = false;
  uint32_t mapFirst = 0;
  uint32_t mapLength = 0;
  uint32_t mapEntryBits = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint32_t pixelBits = 0;
  uint32_t attributeBits = 0;
  bool rightToLeft = false;
  bool topToBottom = false;
};

bool IsColourDepth(uint32_t bits) {
  return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

std::optional<TgaHeader> ReadHeader(const uint8_t* data, std::size_t size) {
  if (data == nullptr || size < kHeaderBytes) {
    return std::nullopt;
  }
  TgaHeader header;
  header.idBytes = data[0];
  const uint8_t mapType = data[1];
  const uint8_t type = data[2];
  header.hasMap = mapType == 1;
  header.mapFirst = ReadU16(data + 3);
  header.mapLength = ReadU16(data + 5);
  header.mapEntryBits = data[7];
  header.width = ReadU16(data + 12);
  header.height = ReadU16(data + 14);
  header.pixelBits = data[16];
  const uint8_t descriptor = data[17];
  header.attributeBits = descriptor & 0x0F;
  header.rightToLeft = (descriptor & 0x10) != 0;
  header.topToBottom = (descriptor & 0x20) != 0;
  header.runLength = type >= 9;
  switch (type & 7) {
    case 1:
      header.kind = TgaKind::kMapped;
      break;
    case 2:
      header.kind = TgaKind::kTrueColour;
      break;
    case 3:
      header.kind = TgaKind::kGrey;
      break;
    default:
      return std::nullopt;
  }
  if (mapType > 1 ||
      (type != 1 && type != 2 && type != 3 && type != 9 && type != 10 && type != 11) ||
      header.width <= 0 || header.height <= 0) {
    return std::nullopt;
  }
  // A map may come with any type (true-colour files may carry one and not
  // use it); its entries must have a depth this decoder can skip or read.
  if (header.hasMap && !IsColourDepth(header.mapEntryBits)) {
    return std::nullopt;
  }
  switch (header.kind) {
    case TgaKind::kMapped:
      if (!header.hasMap || (header.pixelBits != 8 && header.pixelBits != 16)) {
        return std::nullopt;
      }
      break;
    case TgaKind::kTrueColour:
      if (!IsColourDepth(header.pixelBits)) {
        return std::nullopt;
      }
      break;
    case TgaKind::kGrey:
      if (header.pixelBits != 8 && header.pixelBits != 16) {
        return std::nullopt;
      }
      break;
  }
  return header;
}

using Bgra = std::array<uint8_t, 4>;

// A 5-bit channel over 8 bits as v * 255 / 31 rounded down: Pillow and
// ImageMagick give TGA's 5-bit levels so, and files are judged by them.
uint8_t Widen5(uint32_t v) {
  return static_cast<uint8_t>(v * 255 / 31);
}

// A 15- or 16-bit colour: 5 bits each of red, green, blue from the top, and
// the top bit as alpha when `alphaBit` says it is one.
Bgra FromWord(uint32_t v, bool alphaBit) {
  const uint8_t alpha = !alphaBit || (v & 0x8000) != 0 ? 255 : 0;
  return {Widen5(v & 0x1F), Widen5((v >> 5) & 0x1F), Widen5((v >> 10) & 0x1F), alpha};
}

// One stored colour of `bits` bits. A 32-bit colour's fourth byte is alpha
// whatever the descriptor and the 2.0 extension area say, as Pillow and
// ImageMagick read it: writers that leave those fields zero with real alpha
// in the pixels are common.
Bgra ColourAt(const uint8_t* p, uint32_t bits, bool alphaBit) {
  switch (bits) {
    case 32:
      return {p[0], p[1], p[2], p[3]};
    case 24:
      return {p[0], p[1], p[2], 255};
    default:
      return FromWord(ReadU16(p), alphaBit);
  }
}

class PixelDecoder {
 public:
  PixelDecoder(const TgaHeader& header, const uint8_t* map) : header_(header) {
    if (header.kind != TgaKind::kMapped) {
      return;
    }
    // Map entries are numbered from `mapFirst`; an index outside the map is
    // opaque black. 15- and 16-bit entries carry no alpha.
    const uint32_t entryBytes = (header.mapEntryBits + 7) / 8;
    colours_.assign(header.mapLength, Bgra{0, 0, 0, 255});
    for (uint32_t i = 0; i < header.mapLength; ++i) {
      colours_[i] = ColourAt(map + uint64_t{i} * entryBytes, header.mapEntryBits, false);
    }
  }

  Bgra operator()(const uint8_t* p) const {
    switch (header_.kind) {
      case TgaKind::kMapped: {
        const uint32_t index = header_.pixelBits == 8 ? p[0] : ReadU16(p);
        if (index < header_.mapFirst || index - header_.mapFirst >= colours_.size()) {
          return {0, 0, 0, 255};
        }
        return colours_[index - header_.mapFirst];
      }
      case TgaKind::kGrey:
        return {p[0], p[0], p[0], header_.pixelBits == 16 ? p[1] : uint8_t{255}};
      case TgaKind::kTrueColour:
        // Of 16 bits, the top one is alpha only when the descriptor counts one
        // attribute bit (as GIMP and ImageMagick read it); 15 bits never have it.
        return ColourAt(p, header_.pixelBits,
                        header_.pixelBits == 16 && header_.attributeBits == 1);
    }
    return {0, 0, 0, 255};
  }

 private:
  const TgaHeader& header_;
  std::vector<Bgra> colours_;
};

// Puts pixels in file order, which runs along rows from the origin corner.
class PixelSink {
 public:
  PixelSink(const TgaHeader& header, Bitmap& canvas) : header_(header), canvas_(canvas) {}
  bool full() const { return next_ >= total(); }
  void Put(const Bgra& colour) {
    const int64_t r = next_ / header_.width;
    const int64_t c = next_ % header_.width;
    const int64_t y = header_.topToBottom ? r : header_.height - 1 - r;
    const int64_t x = header_.rightToLeft ? header_.width - 1 - c : c;
    std::copy_n(colour.begin(), 4,
                canvas_.row(static_cast<int32_t>(y)) + 4 * static_cast<std::ptrdiff_t>(x));
    ++next_;
  }

 private:
  int64_t total() const { return int64_t{header_.width} * header_.height; }
  const TgaHeader& header_;
  Bitmap& canvas_;
  int64_t next_ = 0;
};

void DrawPlain(const uint8_t* data, std::size_t size, uint64_t at, uint32_t pixelBytes,
               const PixelDecoder& decode, PixelSink& sink) {
  for (; !sink.full() && at + pixelBytes <= size; at += pixelBytes) {
    sink.Put(decode(data + at));
  }
}

// Packets may run on from one row to the next. Each one takes at least two
// bytes and gives at most 128 pixels.
void DrawRuns(const uint8_t* data, std::size_t size, uint64_t at, uint32_t pixelBytes,
              const PixelDecoder& decode, PixelSink& sink) {
  while (!sink.full() && at < size) {
    const uint32_t packet = data[at++];
    const uint32_t count = (packet & 0x7F) + 1;
    if (packet & 0x80) {
      if (at + pixelBytes > size) {
        return;
      }
      const Bgra colour = decode(data + at);
      at += pixelBytes;
      for (uint32_t i = 0; i < count && !sink.full(); ++i) {
        sink.Put(colour);
      }
    } else {
      for (uint32_t i = 0; i < count && !sink.full(); ++i, at += pixelBytes) {
        if (at + pixelBytes > size) {
          return;
        }
        sink.Put(decode(data + at));
      }
    }
  }
}

}  // namespace

bool HasTgaHeader(const uint8_t* data, std::size_t size) {
  return ReadHeader(data, size).has_value();
}

std::optional<Bitmap> DecodeTga(const uint8_t* data, std::size_t size) {
  const std::optional<TgaHeader> header = ReadHeader(data, size);
  if (!header) {
    return std::nullopt;
  }
  const uint64_t width = static_cast<uint64_t>(header->width);
  if (width * static_cast<uint64_t>(header->height) * 4 > kMaxDecodedImageBytes) {
    return std::nullopt;
  }
  const uint64_t mapAt = kHeaderBytes + header->idBytes;
  const uint64_t mapBytes =
      header->hasMap ? uint64_t{header->mapLength} * ((header->mapEntryBits + 7) / 8) : 0;
  const uint64_t pixelsAt = mapAt + mapBytes;
  const uint32_t pixelBytes = (header->pixelBits + 7) / 8;
  if (pixelsAt >= size) {
    return std::nullopt;
  }
  if (!header->runLength && size - pixelsAt < width * pixelBytes) {
    return std::nullopt;
  }
  std::optional<Bitmap> canvas;
  try {
    canvas.emplace(header->width, header->height);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  const PixelDecoder decode(*header, data + mapAt);
  PixelSink sink(*header, *canvas);
  if (header->runLength) {
    DrawRuns(data, size, pixelsAt, pixelBytes, decode, sink);
  } else {
    DrawPlain(data, size, pixelsAt, pixelBytes, decode, sink);
  }
  return canvas;
}

}  // namespace zelmor
