#include "cli/cli_options.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <string>
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

// The sizes Windows asks for at 100 % to 175 % display scaling, and what
// browsers take for a favicon.
constexpr int32_t kWindowsSizes[] = {256, 96, 64, 48, 40, 32, 24, 20, 16};
constexpr int32_t kFaviconSizes[] = {48, 32, 16};

// A comma-separated list of whole numbers that `accept` takes, sorted from
// the highest down with duplicates dropped.
template <typename Accept>
std::optional<std::vector<int32_t>> ParseNumberList(std::string_view text, Accept accept) {
  std::vector<int32_t> values;
  while (true) {
    const std::size_t comma = text.find(',');
    const auto value = ParseUnsigned(text.substr(0, comma));
    if (!value || !accept(*value)) {
      return std::nullopt;
    }
    values.push_back(static_cast<int32_t>(*value));
    if (comma == std::string_view::npos) {
      break;
    }
    text.remove_prefix(comma + 1);
  }
  std::sort(values.begin(), values.end(), std::greater<>());
  values.erase(std::unique(values.begin(), values.end()), values.end());
  return values;
}

std::optional<std::vector<int32_t>> ParseSizes(std::string_view text) {
  if (text == "all") {
    return std::vector<int32_t>(std::begin(kAllSizes), std::end(kAllSizes));
  }
  if (text == "windows") {
    return std::vector<int32_t>(std::begin(kWindowsSizes), std::end(kWindowsSizes));
  }
  if (text == "favicon") {
    return std::vector<int32_t>(std::begin(kFaviconSizes), std::end(kFaviconSizes));
  }
  return ParseNumberList(text, [](uint32_t size) { return size >= 1 && size <= 256; });
}

std::optional<std::vector<int32_t>> ParseDepths(std::string_view text) {
  return ParseNumberList(
      text, [](uint32_t bits) { return bits == 4 || bits == 8 || bits == 24 || bits == 32; });
}

std::optional<FitMode> ParseFit(std::string_view text) {
  if (text == "stretch") return FitMode::kStretch;
  if (text == "contain") return FitMode::kContain;
  if (text == "cover") return FitMode::kCover;
  return std::nullopt;
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
    "  -o, --output PATH    output file (only with one INPUT, or with --merge); default:\n"
    "                       the input's folder and base name followed by 生成.ico\n"
    "  -s, --sizes LIST     comma-separated edge lengths from 1 to 256, or a preset:\n"
    "                       \"all\" (16,24,32,48,64,96,128,256),\n"
    "                       \"windows\" (16,20,24,32,40,48,64,96,256), \"favicon\" (16,32,48);\n"
    "                       default 48\n"
    "  -d, --depth LIST     4, 8, 24 or 32, or several, comma-separated: one entry per\n"
    "                       size and depth; default 32\n"
    "      --png MIN        store 32-bit entries of MIN px and larger as PNG; default: none\n"
    "      --fit MODE       stretch (default), contain or cover\n"
    "  -m, --merge          make one icon of all INPUTs, each size from the best source:\n"
    "                       an exact-size picture, else a vector (.svg, .svgz), else the\n"
    "                       smallest larger picture, else the largest; .ico inputs offer\n"
    "                       each of their entries\n"
    "  -l, --lines MIN-MAX  draw random lines; maximum capped at 1000\n"
    "  -c, --color RRGGBB   line colour in hex; default FF0000\n"
    "      --seed N         seed of the line generator; default: the clock\n"
    "  -j, --jobs N         convert up to N inputs at once, 1 to 64; default 1; the\n"
    "                       output and the lines drawn are the same for any N\n"
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
      auto depths = ParseDepths(text);
      if (!depths) {
        error = "bad depth '" + text + "': use 4, 8, 24 or 32, or several, comma-separated";
        return std::nullopt;
      }
      options.depths = std::move(*depths);
    } else if (arg == "--png") {
      if (!value(text)) return std::nullopt;
      const auto size = ParseUnsigned(text);
      if (!size || *size < 1 || *size > 256) {
        error = "bad PNG size '" + text + "': use an edge length from 1 to 256";
        return std::nullopt;
      }
      options.pngMinSize = static_cast<int32_t>(*size);
    } else if (arg == "--fit") {
      if (!value(text)) return std::nullopt;
      const auto fit = ParseFit(text);
      if (!fit) {
        error = "bad fit '" + text + "': use stretch, contain or cover";
        return std::nullopt;
      }
      options.fit = *fit;
    } else if (arg == "-m" || arg == "--merge") {
      options.merge = true;
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
    } else if (arg == "-j" || arg == "--jobs") {
      if (!value(text)) return std::nullopt;
      const auto jobs = ParseUnsigned(text);
      if (!jobs || *jobs < 1 || *jobs > static_cast<uint32_t>(kMaxJobs)) {
        error = "bad job count '" + text + "': use a whole number from 1 to " +
                std::to_string(kMaxJobs);
        return std::nullopt;
      }
      options.jobs = static_cast<int>(*jobs);
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
  if (output_given && options.inputs.size() > 1 && !options.merge) {
    error = "--output takes only one input (or --merge)";
    return std::nullopt;
  }
  return options;
}

}  // namespace zelmor::cli
