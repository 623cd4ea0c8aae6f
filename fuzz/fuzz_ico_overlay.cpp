// Arbitrary bytes as an ICO file through the whole overlay engine, lines on:
// the reader's checks, the entry walk, both entry decoders, the lines, the
// encoder and the writer. Whatever the input, the engine either refuses it or
// writes an icon that the project's own reader takes back whole.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "overlay/overlay_icon.h"
#include "platform/line_random.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace zelmor;
  static const std::string input = fuzz::ScratchFile("input.ico");
  static const std::string output = fuzz::ScratchFile("output.ico");
  const fuzz::DropMessages quiet;

  fuzz::WriteWholeFile(input, {data, size});
  fuzz::RemoveFile(output);
  // The same input must take the same path on every run.
  LineRandom::Seed(1);
  const bool written = OverlayLinesOnIconFile(input, output, 0x0000FF, 1, 3);
  fuzz::Check(written == fuzz::FileExists(output), "the result disagrees with the output file");
  if (written) {
    const std::vector<int32_t> sides = fuzz::ReadBackWrittenIcon(output, 32);
    fuzz::Check(size >= 6 && sides.size() <= std::size_t{data[4]} + 256 * std::size_t{data[5]},
                "more entries written than the input's directory holds");
  }
  return 0;
}
