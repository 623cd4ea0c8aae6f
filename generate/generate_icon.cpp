#include "generate/generate_icon.h"

#include <algorithm>
#include <new>
#include <optional>
#include <span>

#include "encoding/ico_format.h"
#include "encoding/icon_image.h"
#include "platform/files.h"
#include "platform/imaging.h"
#include "platform/messages.h"
#include "platform/picture_renderer.h"

namespace zelmor {
namespace {

bool IsSupportedDepth(int32_t bits) {
  return bits == 4 || bits == 8 || bits == 24 || bits == 32;
}

// Renders and encodes every size. Only sizes that can be rendered at all are
// kept, so the directory never announces an image the file does not hold.
std::vector<IconImageData> EncodeAllSizes(const Bitmap& picture, const std::vector<int32_t>& sizes,
                                          const LineOverlaySettings& lines, int32_t bitDepth) {
  const int32_t largest = *std::max_element(sizes.begin(), sizes.end());
  const PictureRenderer renderer(picture, largest);
  std::vector<IconImageData> images;
  images.reserve(sizes.size());
  for (const int32_t size : sizes) {
    Bitmap canvas = renderer.Render(size);
    if (lines.enabled) {
      const std::unique_ptr<LineSurface> surface =
          OpenLineSurface(canvas, PixelOffset::kHighQuality);
      DrawRandomLines(*surface, size, size, lines.minCount, lines.maxCount, lines.color);
    }
    images.push_back(EncodeIconImage(canvas.data(), size, canvas.stride(), bitDepth));
  }
  return images;
}

}  // namespace

bool GenerateIconFile(std::string inputPath, std::string outputPath, LineOverlaySettings lines,
                      std::vector<int32_t> sizes, int32_t bitDepth) {
  if (!PathExists(inputPath)) {
    ShowMessage("File does not exist.", MessageIcon::kError);
    return false;
  }
  // An edge length below 1 cannot be drawn; such a size is dropped here rather
  // than announced in the directory without an image behind it.
  std::erase_if(sizes, [](int32_t size) { return size < 1; });
  if (sizes.empty()) {
    ShowMessage("Please select at least one icon size.", MessageIcon::kWarning);
    return false;
  }
  if (!IsSupportedDepth(bitDepth)) {
    ShowMessage("Only 4-bit, 8-bit, 24-bit and 32-bit icons are supported.", MessageIcon::kError);
    return false;
  }
  if (lines.enabled) {
    std::tie(lines.minCount, lines.maxCount) = NormalizeLineRange(lines.minCount, lines.maxCount);
  }

  const ImagingSession imaging;
  std::optional<Bitmap> picture = LoadPictureFile(inputPath);
  if (!picture) {
    ShowMessage("Unsupported or damaged image file.", MessageIcon::kError);
    return false;
  }

  // Writing over the picture would destroy the only copy of the input.
  std::unique_ptr<OutputFile> output;
  if (!IsSameFile(inputPath, outputPath)) {
    output = OutputFile::Create(outputPath);
  }
  if (!output) {
    ShowMessage("Failed to create output icon file.", MessageIcon::kError);
    return false;
  }

  std::vector<IconImageData> images;
  try {
    images = EncodeAllSizes(*picture, sizes, lines, bitDepth);
  } catch (const std::bad_alloc&) {
    // The uncommitted output goes away with `output`; nothing is left on disk.
    ShowMessage("Not enough memory to create the icon.", MessageIcon::kError);
    return false;
  }
  picture.reset();

  WriteIconFile(images, bitDepth, [&output](std::span<const uint8_t> bytes) {
    output->Write(bytes.data(), bytes.size());
  });
  output->Commit();
  return true;
}

}  // namespace zelmor
