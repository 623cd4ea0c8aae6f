// zelmor-cli: the engines without the dialog, for scripts and batch work.
#include <QCoreApplication>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/file_order.h"
#include "cli/inspect_command.h"
#include "cli/job_pool.h"
#include "generate/generate_icon.h"
#include "overlay/overlay_icon.h"
#include "platform/files.h"
#include "platform/line_random.h"
#include "platform/line_random_turn.h"
#include "platform/messages.h"
#include "platform/paths.h"

namespace {

using zelmor::cli::CliOptions;
using zelmor::cli::JobOutput;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void AddError(std::string& err, const std::string& input, const std::string& text) {
  err += "zelmor-cli: " + input + ": " + text + "\n";
}

// Writes one conversion's lines, stderr first as they came about.
void Print(const JobOutput& output) {
  std::fputs(output.err.c_str(), stderr);
  std::fputs(output.out.c_str(), stdout);
  std::fflush(stderr);
  std::fflush(stdout);
}

std::string OutputPathFor(const CliOptions& options, const std::string& first) {
  return options.output.empty() ? zelmor::DefaultOutputPath(first) : options.output;
}

// Runs one engine call for `inputs` (one input, or all of them merged) and
// collects the written file's path and the messages, which name the input
// they are about. `converted` tells whether the file was written.
JobOutput Convert(const CliOptions& options, const std::vector<std::string>& inputs,
                  bool& converted) {
  JobOutput result;
  const std::string& first = inputs.front();
  const std::string output = OutputPathFor(options, first);
  const zelmor::ScopedMessageSink sink(
      [&first, &result](const std::string& text, zelmor::MessageIcon) {
        const std::string& subject = zelmor::MessageSubject();
        AddError(result.err, subject.empty() ? first : subject, text);
      });
  converted = false;
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
    AddError(result.err, first, error.UserText());
  } catch (const std::bad_alloc&) {
    AddError(result.err, first, "Not enough memory to create the icon.");
  } catch (const std::exception& error) {
    AddError(result.err, first, error.what());
  }
  if (converted) {
    result.out = output + "\n";
  }
  return result;
}

// Converts each input on its own, `options.jobs` at a time, and prints as the
// inputs are converted one after another would: the same lines in the same
// order, the same random lines drawn, the same files left on disk.
bool ConvertEach(const CliOptions& options, uint32_t seed) {
  const std::vector<std::string>& inputs = options.inputs;
  if (options.jobs == 1) {
    // As a drop of several files on the dialog runs.
    zelmor::LineRandom::Seed(seed);
    bool all_converted = true;
    for (const std::string& input : inputs) {
      bool converted = false;
      Print(Convert(options, {input}, converted));
      all_converted = converted && all_converted;
    }
    return all_converted;
  }

  std::vector<std::string> outputs;
  outputs.reserve(inputs.size());
  for (const std::string& input : inputs) {
    outputs.push_back(OutputPathFor(options, input));
  }
  zelmor::LineRandomSequence sequence(seed);
  std::atomic<bool> all_converted = true;
  zelmor::cli::RunJobsInOrder(
      inputs.size(), options.jobs, zelmor::cli::SharedFileOrder(inputs, outputs),
      [&](std::size_t job) {
        const zelmor::LineRandomJob turn_order(sequence, job);
        bool converted = false;
        JobOutput output = Convert(options, {inputs[job]}, converted);
        if (!converted) {
          all_converted = false;
        }
        return output;
      },
      Print);
  return all_converted;
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

  const uint32_t seed = options->seed ? *options->seed : static_cast<uint32_t>(std::time(nullptr));
  bool all_converted = true;
  if (options->merge) {
    // One conversion: nothing to share out among jobs.
    zelmor::LineRandom::Seed(seed);
    bool converted = false;
    Print(Convert(*options, options->inputs, converted));
    all_converted = converted;
  } else {
    all_converted = ConvertEach(*options, seed);
  }
  return all_converted ? kExitOk : kExitFailed;
}
