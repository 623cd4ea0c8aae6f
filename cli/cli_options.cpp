#include "cli/cli_options.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <string_view>

namespace zelmor::cli {
namespace {

constexpr int32_t kLineCap = 1000;
constexpr int32_t kAllSizes[] = {256, 128, 96, 64, 48, 32, 24, 16};

// A whole unsigned number of at most 32 bits, digits only, as the dialog's
// count boxes take it.
std::optional<uint32_t> ParseUnsigned(std::string_view text, int base = 10) {
  if (text.empty()) {
    return std::nullopt;
  }
  uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (ec != std::errc() || end != text.data() + text.size() || text.front() == '+' ||
      text.front() == '-') {
    return std::nullopt;
  }
  return value;
}

std::optional<std::vector<int32_t>> ParseSizes(std::string_view text) {
  if (text == "all") {
    return std::vector<int32_t>(std::begin(kAllSizes), std::end(kAllSizes));
  }
  std::vector<int32_t> sizes;
  while (true) {
    const std::size_t comma = text.find(',');
    const auto value = ParseUnsigned(text.substr(0, comma));
    if (!value || *value < 1 || *value > 256) {
      return std::nullopt;
    }
    sizes.push_back(static_cast<int32_t>(*value));
    if (comma == std::string_view::npos) {
      break;
    }
    text.remove_prefix(comma + 1);
  }
  std::sort(sizes.begin(), sizes.end(), std::greater<>());
  sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
  return sizes;
}

bool ParseLines(std::string_view text, CliOptions& options) {
  const std::size_t dash = text.find('-');
  if (dash == std::string_view::npos) {
    return false;
  }
  const auto low = ParseUnsigned(text.substr(0, dash));
  const auto high = ParseUnsigned(text.substr(dash + 1));
  if (!low || !high) {
    return false;
  }
  // Held as signed 32-bit, put in order and capped the way the dialog does.
  int32_t minCount = static_cast<int32_t>(*low);
  int32_t maxCount = static_cast<int32_t>(*high);
  if (minCount > maxCount) {
    std::swap(minCount, maxCount);
  }
  options.lines = true;
  options.minCount = minCount;
  options.maxCount = std::min(maxCount, kLineCap);
  return true;
}

std::optional<COLORREF> ParseColor(std::string_view text) {
  if (text.size() != 6) {
    return std::nullopt;
  }
  const auto rgb = ParseUnsigned(text, 16);
  if (!rgb) {
    return std::nullopt;
  }
  const uint32_t red = (*rgb >> 16) & 0xFF;
  const uint32_t green = (*rgb >> 8) & 0xFF;
  const uint32_t blue = *rgb & 0xFF;
  return red | (green << 8) | (blue << 16);
}

}  // namespace

const char kUsage[] =
    "Usage: zelmor-cli [OPTIONS] INPUT...\n"
    "Turns pictures into Windows icon files; redraws .ico inputs with random lines.\n"
    "\n"
    "  -o, --output PATH    output file (only with one INPUT); default: the input's\n"
    "                       folder and base name followed by 生成.ico\n"
    "  -s, --sizes LIST     comma-separated edge lengths from 1 to 256, or \"all\"\n"
    "                       (16,24,32,48,64,96,128,256); default 48\n"
    "  -d, --depth BITS     4, 8, 24 or 32; default 32\n"
    "  -l, --lines MIN-MAX  draw random lines; maximum capped at 1000\n"
    "  -c, --color RRGGBB   line colour in hex; default FF0000\n"
    "      --seed N         seed of the line generator; default: the clock\n"
    "  -h, --help           show this help\n"
    "      --version        show the version\n"
    "\n"
    "Usage: zelmor-cli --inspect [--json] [--preview SHEET.png] ICON...\n"
    "Lists every entry of each icon and names what consumers refuse; writes nothing.\n"
    "      --json           one JSON array on stdout instead of text\n"
    "      --preview PATH   (one ICON) a PNG sheet of every entry over light and dark\n"
    "  exit status 1 when any icon has an error finding or cannot be read\n";

std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args,
                                          std::string& error) {
  CliOptions options;
  bool output_given = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::optional<std::string> inline_value;
    if (arg.rfind("--", 0) == 0) {
      const std::size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        inline_value = arg.substr(eq + 1);
        arg.resize(eq);
      }
    }
    auto value = [&](std::string& out) {
      if (inline_value) {
        out = *inline_value;
        return true;
      }
      if (i + 1 >= args.size()) {
        error = "option " + arg + " needs a value";
        return false;
      }
      out = args[++i];
      return true;
    };
    std::string text;
    if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "-o" || arg == "--output") {
      if (!value(text)) return std::nullopt;
      if (text.empty()) {
        error = "empty output path";
        return std::nullopt;
      }
      options.output = text;
      output_given = true;
    } else if (arg == "-s" || arg == "--sizes") {
      if (!value(text)) return std::nullopt;
      auto sizes = ParseSizes(text);
      if (!sizes) {
        error = "bad size list '" + text + "': use edge lengths from 1 to 256, or all";
        return std::nullopt;
      }
      options.sizes = std::move(*sizes);
    } else if (arg == "-d" || arg == "--depth") {
      if (!value(text)) return std::nullopt;
      const auto depth = ParseUnsigned(text);
      if (!depth || (*depth != 4 && *depth != 8 && *depth != 24 && *depth != 32)) {
        error = "bad depth '" + text + "': use 4, 8, 24 or 32";
        return std::nullopt;
      }
      options.depth = static_cast<int32_t>(*depth);
    } else if (arg == "-l" || arg == "--lines") {
      if (!value(text)) return std::nullopt;
      if (!ParseLines(text, options)) {
        error = "bad line counts '" + text + "': use MIN-MAX, two whole numbers";
        return std::nullopt;
      }
    } else if (arg == "-c" || arg == "--color") {
      if (!value(text)) return std::nullopt;
      const auto color = ParseColor(text);
      if (!color) {
        error = "bad colour '" + text + "': use six hex digits RRGGBB";
        return std::nullopt;
      }
      options.color = *color;
    } else if (arg == "--seed") {
      if (!value(text)) return std::nullopt;
      const auto seed = ParseUnsigned(text);
      if (!seed) {
        error = "bad seed '" + text + "': use a whole number from 0 to 4294967295";
        return std::nullopt;
      }
      options.seed = *seed;
    } else if (arg == "--") {
      options.inputs.insert(options.inputs.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                            args.end());
      break;
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option " + arg;
      return std::nullopt;
    } else {
      options.inputs.push_back(arg);
    }
  }
  if (options.help || options.version) {
    return options;
  }
  if (options.inputs.empty()) {
    error = "no input file";
    return std::nullopt;
  }
  if (output_given && options.inputs.size() > 1) {
    error = "--output takes only one input";
    return std::nullopt;
  }
  return options;
}

}  // namespace zelmor::cli
