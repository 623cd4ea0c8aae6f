#include "platform/format_hint.h"

#include <cstring>

namespace zelmor {
namespace {

bool StartsWith(std::span<const uint8_t> file, std::size_t at, std::string_view bytes) {
  return file.size() >= at + bytes.size() &&
         std::memcmp(file.data() + at, bytes.data(), bytes.size()) == 0;
}

}  // namespace

// Each signature is the one the matching Qt reader itself checks, so a file
// goes to the same decoder as when Qt guessed.
std::string_view FormatBySignature(std::span<const uint8_t> file) {
  if (StartsWith(file, 0, "\x89PNG\r\n\x1a\n")) {
    return "png";
  }
  if (StartsWith(file, 0, "\xFF\xD8\xFF")) {
    return "jpeg";
  }
  if (StartsWith(file, 0, "GIF87a") || StartsWith(file, 0, "GIF89a")) {
    return "gif";
  }
  if (StartsWith(file, 0, "RIFF") && StartsWith(file, 8, "WEBP")) {
    return "webp";
  }
  return {};
}

}  // namespace zelmor
