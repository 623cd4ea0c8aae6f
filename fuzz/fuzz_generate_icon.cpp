// Arbitrary bytes as a picture file through the picture-to-icon engine: every
// image format Qt's readers recognise by content, then scaling, lines,
// encoding at every depth and writing. The first bytes choose the run:
//   byte 0: bit depth (4, 8, 24 or 32), and whether lines are drawn;
//   byte 1: which small edge lengths are asked for (at least one).
// The rest is the picture file.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "generate/generate_icon.h"
#include "platform/line_random.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace zelmor;
  static const std::string input = fuzz::ScratchFile("input.picture");
  static const std::string output = fuzz::ScratchFile("output.ico");
  constexpr std::array<int32_t, 4> kDepths = {4, 8, 24, 32};
  constexpr std::array<int32_t, 8> kSizes = {48, 32, 24, 17, 16, 5, 2, 1};
  const fuzz::DropMessages quiet;

  fuzz::ByteReader reader(data, size);
  const uint8_t run = reader.Take();
  const uint8_t sizeBits = reader.Take();
  const int32_t depth = kDepths[run & 3];
  const LineOverlaySettings lines{(run & 4) != 0, 1, 2, 0x00FF00};
  std::vector<int32_t> sizes;
  for (std::size_t i = 0; i < kSizes.size(); ++i) {
    if (sizeBits & (1u << i)) {
      sizes.push_back(kSizes[i]);
    }
  }
  if (sizes.empty()) {
    sizes.push_back(16);
  }

  fuzz::WriteWholeFile(input, reader.Rest());
  fuzz::RemoveFile(output);
  LineRandom::Seed(1);
  const bool written = GenerateIconFile(input, output, lines, sizes, depth);
  fuzz::Check(written == fuzz::FileExists(output), "the result disagrees with the output file");
  if (written) {
    fuzz::Check(fuzz::ReadBackWrittenIcon(output, depth) == sizes,
                "the icon does not hold the sizes asked for, in order");
  }
  return 0;
}
