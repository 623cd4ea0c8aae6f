#include "cli/inspect_command.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <new>
#include <optional>

#include "cli/cli_options.h"
#include "inspect/contact_sheet.h"
#include "inspect/icon_inspection.h"
#include "inspect/inspection_json.h"
#include "inspect/inspection_text.h"
#include "overlay/ico_reader.h"
#include "platform/files.h"
#include "platform/imaging.h"
#include "platform/png_file.h"

namespace zelmor::cli {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct InspectOptions {
  bool json = false;
  std::string preview;  // empty: no sheet
  bool help = false;
  std::vector<std::string> icons;
};

void PrintError(const std::string& file, const std::string& text) {
  std::fprintf(stderr, "zelmor-cli: %s: %s\n", file.c_str(), text.c_str());
}

std::optional<InspectOptions> Parse(const std::vector<std::string>& args, std::string& error) {
  InspectOptions options;
  bool previewGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--inspect") {
      continue;
    }
    if (arg == "--json") {
      options.json = true;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--preview" || arg.rfind("--preview=", 0) == 0) {
      if (arg == "--preview") {
        if (i + 1 >= args.size()) {
          error = "option --preview needs a value";
          return std::nullopt;
        }
        options.preview = args[++i];
      } else {
        options.preview = arg.substr(std::string("--preview=").size());
      }
      if (options.preview.empty()) {
        error = "empty preview path";
        return std::nullopt;
      }
      previewGiven = true;
    } else if (arg == "--") {
      options.icons.insert(options.icons.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                           args.end());
      break;
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option " + arg + " with --inspect";
      return std::nullopt;
    } else {
      options.icons.push_back(arg);
    }
  }
  if (options.help) {
    return options;
  }
  if (options.icons.empty()) {
    error = "no input file";
    return std::nullopt;
  }
  if (previewGiven && options.icons.size() > 1) {
    error = "--preview takes only one icon";
    return std::nullopt;
  }
  return options;
}

// The file's bytes, or nothing after its message on stderr.
std::optional<std::vector<uint8_t>> ReadIcon(const std::string& path) {
  std::vector<uint8_t> bytes;
  try {
    const IcoFault fault = ReadFileBytes(path, bytes);
    if (fault != IcoFault::kNone) {
      PrintError(path,
                 fault == IcoFault::kMissing ? "File does not exist." : "Failed to open the file.");
      return std::nullopt;
    }
  } catch (const FileError& error) {
    PrintError(path, error.UserText());
    return std::nullopt;
  } catch (const std::bad_alloc&) {
    PrintError(path, "Not enough memory to read the file.");
    return std::nullopt;
  }
  return bytes;
}

bool WriteSheet(const std::string& icon, const std::vector<uint8_t>& bytes,
                const IconInspection& inspection, const std::string& path) {
  try {
    const std::optional<Bitmap> sheet = DrawContactSheet(bytes, inspection);
    if (!sheet) {
      PrintError(icon, inspection.entries.empty()
                           ? "no entry to show on the contact sheet"
                           : "the contact sheet would be larger than 8192 x 8192 pixels");
      return false;
    }
    if (!WritePngFile(*sheet, path)) {
      PrintError(path, "Failed to create output file.");
      return false;
    }
  } catch (const FileError& error) {
    PrintError(path, error.UserText());
    return false;
  } catch (const std::bad_alloc&) {
    PrintError(path, "Not enough memory to draw the contact sheet.");
    return false;
  }
  return true;
}

}  // namespace

bool IsInspectCommand(const std::vector<std::string>& args) {
  const auto end = std::find(args.begin(), args.end(), "--");
  return std::find(args.begin(), end, "--inspect") != end;
}

int RunInspectCommand(const std::vector<std::string>& args) {
  std::string error;
  const std::optional<InspectOptions> options = Parse(args, error);
  if (!options) {
    std::fprintf(stderr, "zelmor-cli: %s\nTry 'zelmor-cli --help' for more information.\n",
                 error.c_str());
    return kExitUsage;
  }
  if (options->help) {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }

  const ImagingSession imaging;
  bool failed = false;
  std::vector<IconInspection> inspections;
  for (const std::string& icon : options->icons) {
    const std::optional<std::vector<uint8_t>> bytes = ReadIcon(icon);
    if (!bytes) {
      failed = true;
      continue;
    }
    IconInspection inspection = InspectIcon(*bytes);
    inspection.file = icon;
    failed = failed || inspection.HasError();
    if (!options->preview.empty() && !WriteSheet(icon, *bytes, inspection, options->preview)) {
      failed = true;
    }
    if (options->json) {
      inspections.push_back(std::move(inspection));
    } else {
      std::fputs(FormatInspectionText(inspection).c_str(), stdout);
    }
  }
  if (options->json) {
    std::fputs(FormatInspectionJson(inspections).c_str(), stdout);
  }
  std::fflush(stdout);
  return failed ? kExitFailed : kExitOk;
}

}  // namespace zelmor::cli
