// zelmor-cli: the engines without the dialog, for scripts and batch work.
#include <QCoreApplication>

#include <cstdio>
#include <ctime>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/inspect_command.h"
#include "generate/generate_icon.h"
#include "overlay/overlay_icon.h"
#include "platform/files.h"
#include "platform/line_random.h"
#include "platform/messages.h"
#include "platform/paths.h"

namespace {

using zelmor::cli::CliOptions;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void PrintError(const std::string& input, const std::string& text) {
  std::fprintf(stderr, "zelmor-cli: %s: %s\n", input.c_str(), text.c_str());
}

// Runs one engine call for `inputs` (one input, or all of them merged) and
// prints the written file's path; messages name the input they are about.
bool Convert(const CliOptions& options, const std::vector<std::string>& inputs) {
  const std::string& first = inputs.front();
  const std::string output =
      options.output.empty() ? zelmor::DefaultOutputPath(first) : options.output;
  const zelmor::ScopedMessageSink sink([&first](const std::string& text, zelmor::MessageIcon) {
    const std::string& subject = zelmor::MessageSubject();
    PrintError(subject.empty() ? first : subject, text);
  });
  bool converted = false;
  try {
    if (!options.merge && zelmor::HasIcoExtension(first)) {
      converted = zelmor::OverlayLinesOnIconFile(first, output, options.color, options.minCount,
                                                 options.maxCount, options.pngMinSize);
    } else {
      const zelmor::LineOverlaySettings lines{options.lines, options.minCount, options.maxCount,
                                              options.color};
      const zelmor::IconOutputSettings settings{options.depths, options.pngMinSize, options.fit};
      converted = zelmor::GenerateIconFile(inputs, output, lines, options.sizes, settings);
    }
  } catch (const zelmor::FileError& error) {
    PrintError(first, error.UserText());
    return false;
  } catch (const std::bad_alloc&) {
    PrintError(first, "Not enough memory to create the icon.");
    return false;
  } catch (const std::exception& error) {
    PrintError(first, error.what());
    return false;
  }
  if (converted) {
    std::printf("%s\n", output.c_str());
    std::fflush(stdout);
  }
  return converted;
}

}  // namespace

int main(int argc, char* argv[]) {
  const QCoreApplication app(argc, argv);
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (zelmor::cli::IsInspectCommand(args)) {
    return zelmor::cli::RunInspectCommand(args);
  }

  std::string error;
  const std::optional<CliOptions> options = zelmor::cli::ParseCliOptions(args, error);
  if (!options) {
    std::fprintf(stderr, "zelmor-cli: %s\nTry 'zelmor-cli --help' for more information.\n",
                 error.c_str());
    return kExitUsage;
  }
  if (options->help) {
    std::fputs(zelmor::cli::kUsage, stdout);
    return kExitOk;
  }
  if (options->version) {
    std::printf("zelmor-cli %s\n", ZELMOR_VERSION);
    return kExitOk;
  }

  zelmor::LineRandom::Seed(options->seed ? *options->seed
                                         : static_cast<uint32_t>(std::time(nullptr)));
  bool all_converted = true;
  if (options->merge) {
    all_converted = Convert(*options, options->inputs);
  } else {
    // Each input on its own, as a drop of several files on the dialog runs.
    for (const std::string& input : options->inputs) {
      all_converted = Convert(*options, {input}) && all_converted;
    }
  }
  return all_converted ? kExitOk : kExitFailed;
}
