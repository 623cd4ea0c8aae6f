#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace zelmor {

// The image reader's name for the format the file's signature names: "png",
// "jpeg", "gif" or "webp"; empty for anything else. Naming it lets the reader
// go straight to that one decoder: guessing from the content instead makes it
// load every image plugin installed (ten on a Debian desktop) to ask each
// whether it reads the file, which costs a small conversion more than the
// decoding does.
std::string_view FormatBySignature(std::span<const uint8_t> file);

}  // namespace zelmor
