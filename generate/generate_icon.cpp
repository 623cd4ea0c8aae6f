#include "generate/generate_icon.h"

#include <algorithm>
#include <functional>
#include <new>
#include <optional>
#include <span>

#include "encoding/ico_format.h"
#include "encoding/icon_image.h"
#include "generate/entry_canvases.h"
#include "generate/icon_sources.h"
#include "platform/files.h"
#include "platform/imaging.h"
#include "platform/line_random_turn.h"
#include "platform/messages.h"
#include "platform/png_stream.h"

namespace zelmor {
namespace {

bool IsSupportedDepth(int32_t bits) {
  return bits == 4 || bits == 8 || bits == 24 || bits == 32;
}

// A vector document that loaded but does not draw at some size.
struct RenderFailed {};

// Renders every size once and encodes it at every depth. Only sizes that can
// be rendered at all are kept, so the directory never announces an image the
// file does not hold.
std::vector<IconBlock> EncodeAllSizes(const EntryCanvases& canvases,
                                      const std::vector<int32_t>& sizes,
                                      const LineOverlaySettings& lines,
                                      const IconOutputSettings& output) {
  std::vector<IconBlock> blocks;
  blocks.reserve(sizes.size() * output.depths.size());
  // Held from the first line drawn to the end, so a batch's jobs take the
  // generator's numbers in input order.
  std::optional<LineRandomTurn> turn;
  std::vector<std::optional<Bitmap>> rendered = canvases.RenderAll(sizes);
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    const int32_t size = sizes[i];
    std::optional<Bitmap>& canvas = rendered[i];
    if (!canvas) {
      throw RenderFailed{};
    }
    if (lines.enabled) {
      if (!turn) {
        turn.emplace();
      }
      const std::unique_ptr<LineSurface> surface =
          OpenLineSurface(*canvas, PixelOffset::kHighQuality);
      DrawRandomLines(*surface, size, size, lines.minCount, lines.maxCount, lines.color);
    }
    for (const int32_t bits : output.depths) {
      if (bits == 32 && output.pngMinSize > 0 && size >= output.pngMinSize) {
        blocks.push_back(MakePngBlock(
            size, size, EncodePngStream(canvas->data(), size, size, canvas->stride())));
      } else {
        blocks.push_back(
            MakeBitmapBlock(EncodeIconImage(canvas->data(), size, canvas->stride(), bits), bits));
      }
    }
  }
  return blocks;
}

// Both entry points: `icoEntries` says whether an .ico input offers its
// entries or is decoded as any other picture.
bool Generate(std::vector<std::string> inputPaths, std::string outputPath,
              LineOverlaySettings lines, std::vector<int32_t> sizes, IconOutputSettings output,
              bool icoEntries) {
  for (const std::string& input : inputPaths) {
    if (!PathExists(input)) {
      const ScopedMessageSubject subject(input);
      ShowMessage("File does not exist.", MessageIcon::kError);
      return false;
    }
  }
  // An edge length below 1 cannot be drawn; such a size is dropped here rather
  // than announced in the directory without an image behind it.
  std::erase_if(sizes, [](int32_t size) { return size < 1; });
  if (sizes.empty() || inputPaths.empty()) {
    ShowMessage("Please select at least one icon size.", MessageIcon::kWarning);
    return false;
  }
  if (output.depths.empty() ||
      !std::all_of(output.depths.begin(), output.depths.end(), IsSupportedDepth)) {
    ShowMessage("Only 4-bit, 8-bit, 24-bit and 32-bit icons are supported.", MessageIcon::kError);
    return false;
  }
  std::sort(output.depths.begin(), output.depths.end(), std::greater<>());
  output.depths.erase(std::unique(output.depths.begin(), output.depths.end()), output.depths.end());
  if (lines.enabled) {
    std::tie(lines.minCount, lines.maxCount) = NormalizeLineRange(lines.minCount, lines.maxCount);
  }

  const ImagingSession imaging;
  std::vector<IconSource> sources;
  std::vector<std::size_t> inputOf;  // the input each source came from
  for (std::size_t i = 0; i < inputPaths.size(); ++i) {
    const ScopedMessageSubject subject(inputPaths[i]);
    std::optional<std::vector<IconSource>> loaded = LoadIconSources(inputPaths[i], icoEntries);
    if (!loaded) {
      return false;
    }
    std::move(loaded->begin(), loaded->end(), std::back_inserter(sources));
    inputOf.resize(sources.size(), i);
  }

  // A source whose data proves damaged is reported with its input's name.
  const auto reportDamaged = [&](const SourceDamaged& damaged) {
    const ScopedMessageSubject subject(inputPaths[inputOf[damaged.source]]);
    ShowMessage("Unsupported or damaged image file.", MessageIcon::kError);
    return false;
  };
  // Pictures are decoded as far as the sizes need before the output exists,
  // so a damaged one fails the run as early as a missing one.
  std::optional<EntryCanvases> canvases;
  try {
    canvases.emplace(sources, sizes, output.fit);
  } catch (const SourceDamaged& damaged) {
    return reportDamaged(damaged);
  } catch (const std::bad_alloc&) {
    ShowMessage("Not enough memory to create the icon.", MessageIcon::kError);
    return false;
  }

  // Writing over an input would destroy the only copy of it.
  std::unique_ptr<OutputFile> file;
  if (std::none_of(inputPaths.begin(), inputPaths.end(),
                   [&](const std::string& input) { return IsSameFile(input, outputPath); })) {
    file = OutputFile::Create(outputPath);
  }
  if (!file) {
    ShowMessage("Failed to create output icon file.", MessageIcon::kError);
    return false;
  }

  std::vector<IconBlock> blocks;
  try {
    blocks = EncodeAllSizes(*canvases, sizes, lines, output);
  } catch (const SourceDamaged& damaged) {
    return reportDamaged(damaged);
  } catch (const std::bad_alloc&) {
    // The uncommitted output goes away with `file`; nothing is left on disk.
    ShowMessage("Not enough memory to create the icon.", MessageIcon::kError);
    return false;
  } catch (const RenderFailed&) {
    ShowMessage("Unsupported or damaged image file.", MessageIcon::kError);
    return false;
  }
  canvases.reset();
  sources.clear();

  WriteIconBlocks(
      blocks, [&file](std::span<const uint8_t> bytes) { file->Write(bytes.data(), bytes.size()); });
  file->Commit();
  return true;
}

}  // namespace

bool GenerateIconFile(std::string inputPath, std::string outputPath, LineOverlaySettings lines,
                      std::vector<int32_t> sizes, int32_t bitDepth) {
  IconOutputSettings output;
  output.depths = {bitDepth};
  return Generate({std::move(inputPath)}, std::move(outputPath), lines, std::move(sizes),
                  std::move(output), false);
}

bool GenerateIconFile(std::vector<std::string> inputPaths, std::string outputPath,
                      LineOverlaySettings lines, std::vector<int32_t> sizes,
                      IconOutputSettings output) {
  return Generate(std::move(inputPaths), std::move(outputPath), lines, std::move(sizes),
                  std::move(output), true);
}

}  // namespace zelmor
