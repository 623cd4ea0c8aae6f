#include "overlay/overlay_icon.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "encoding/ico_format.h"
#include "encoding/icon_image.h"
#include "overlay/decode_icon_entry.h"
#include "overlay/ico_reader.h"
#include "platform/bitmap.h"
#include "platform/files.h"
#include "platform/imaging.h"
#include "platform/line_random_turn.h"
#include "platform/line_surface.h"
#include "platform/messages.h"
#include "platform/png_stream.h"

namespace zelmor {
namespace {

constexpr int kOutputBits = 32;

// Length of the 32-bit bitmap block of an S x S image, computed before
// encoding it.
uint64_t OutputBlockBytes(int32_t side) {
  const uint64_t s = static_cast<uint64_t>(side);
  return kBitmapInfoHeaderBytes + 4 * s * s + (s + 31) / 32 * 4 * s;
}

// The blocks that will be written, with the length of the file they make, so
// that no entry is taken that would carry the file past 32-bit offsets.
class EncodedImages {
 public:
  bool Fits(uint64_t blockBytes) const {
    return file_bytes_ + kIconDirEntryBytes + blockBytes <= std::numeric_limits<uint32_t>::max();
  }
  void Add(IconBlock block) {
    file_bytes_ += kIconDirEntryBytes + block.bytes.size();
    blocks_.push_back(std::move(block));
  }
  const std::vector<IconBlock>& blocks() const { return blocks_; }

 private:
  uint64_t file_bytes_ = kIconDirBytes;
  std::vector<IconBlock> blocks_;
};

// The 32-bit block of the W x W square at `pixels`: a PNG stream when W is at
// least `pngMinSize` (0: never), otherwise a bitmap.
IconBlock EncodeSquare(const uint8_t* pixels, int32_t side, int32_t stride, int32_t pngMinSize) {
  if (pngMinSize > 0 && side >= pngMinSize) {
    return MakePngBlock(side, side, EncodePngStream(pixels, side, side, stride));
  }
  return MakeBitmapBlock(EncodeIconImage(pixels, side, stride, kOutputBits), kOutputBits);
}

// Lines, then the 32-bit encoding of the W x W square at the picture's top
// left. A picture wider than tall is set on a transparent W x W canvas, so
// none of it is cut and the block still describes a W x W square. Nothing when
// that square cannot be had; no random number is drawn for such an entry.
std::optional<IconBlock> DrawAndEncode(Bitmap& picture, int32_t minLines, int32_t maxLines,
                                       COLORREF color, int32_t pngMinSize) {
  const int32_t side = picture.width();
  const int32_t height = picture.height();
  const uint64_t squareBytes = uint64_t{4} * static_cast<uint64_t>(side) * side;
  if (squareBytes > kMaxDecodedImageBytes) {
    return std::nullopt;
  }
  std::optional<Bitmap> canvas;
  if (side > height) {
    try {
      canvas.emplace(side, side);
    } catch (const std::bad_alloc&) {
      return std::nullopt;
    }
  }

  if (maxLines > 0) {
    if (std::unique_ptr<LineSurface> surface = OpenLineSurface(picture, PixelOffset::kDefault)) {
      DrawRandomLines(*surface, side, height, minLines, maxLines, color);
    }
  }

  if (!canvas) {
    return EncodeSquare(picture.data(), side, picture.stride(), pngMinSize);
  }
  const std::size_t rowBytes = 4 * static_cast<std::size_t>(side);
  for (int32_t y = 0; y < height; ++y) {
    std::copy_n(picture.row(y), rowBytes, canvas->row(y));
  }
  return EncodeSquare(canvas->data(), side, canvas->stride(), pngMinSize);
}

}  // namespace

bool OverlayLinesOnIconFile(std::string inputPath, std::string outputPath, COLORREF color,
                            int32_t minCount, int32_t maxCount) {
  return OverlayLinesOnIconFile(std::move(inputPath), std::move(outputPath), color, minCount,
                                maxCount, 0);
}

bool OverlayLinesOnIconFile(std::string inputPath, std::string outputPath, COLORREF color,
                            int32_t minCount, int32_t maxCount, int32_t pngMinSize) {
  const auto [minLines, maxLines] = NormalizeLineRange(minCount, maxCount);

  std::optional<IcoFileImage> file = ReadIcoFile(inputPath);
  if (!file) {
    return false;
  }

  EncodedImages encoded;
  {
    ImagingSession imaging;
    // Every entry draws its lines; a batch's jobs take the generator's numbers
    // in input order.
    std::optional<LineRandomTurn> turn;
    if (maxLines > 0) {
      turn.emplace();
    }
    for (uint32_t i = 0; i < file->entryCount; ++i) {
      const std::optional<std::span<const uint8_t>> block = IconEntryBytes(*file, i);
      if (!block) {
        continue;
      }
      int32_t width = 0;
      int32_t height = 0;
      std::optional<Bitmap> picture =
          DecodeIconEntry(block->data(), static_cast<uint32_t>(block->size()), width, height);
      if (!picture || !encoded.Fits(OutputBlockBytes(width))) {
        continue;
      }
      // At most one decoded picture lives at a time: this one dies with the
      // iteration.
      std::optional<IconBlock> image =
          DrawAndEncode(*picture, minLines, maxLines, color, pngMinSize);
      if (image && encoded.Fits(image->bytes.size())) {
        encoded.Add(std::move(*image));
      }
    }
  }
  // Every entry is encoded; the input's bytes are no longer needed.
  file.reset();

  if (encoded.blocks().empty()) {
    ShowMessage("No valid icon entries found in ICO file.", MessageIcon::kWarning);
    return false;
  }

  // Written beside the target and moved over it only when complete, so an
  // output that names the input replaces it whole or not at all.
  std::unique_ptr<OutputFile> output = OutputFile::Create(outputPath);
  if (!output) {
    ShowMessage("Failed to create output file.", MessageIcon::kError);
    return false;
  }
  WriteIconBlocks(encoded.blocks(), [&output](std::span<const uint8_t> bytes) {
    output->Write(bytes.data(), bytes.size());
  });
  output->Commit();
  return true;
}

}  // namespace zelmor
