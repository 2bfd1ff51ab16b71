// A row's way to the capture tool, from any folder, address, output path and
// tool path: the output path fits the limits it is given, and the command
// line, split as the tool receives it, gives exactly the tool, "--url=" with
// the encoded address and "--out=" with the output path, or is refused with
// a reason.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "convert/command_line.h"
#include "convert/output_path.h"
#include "convert/text_length.h"
#include "platform/split_command_line.h"

namespace {

using namespace orlenda;

void Check(bool holds) {
    if (!holds) std::abort();
}

// Limits small enough for short inputs to run into, in either unit.
PathLimits SomeLimits(FuzzedDataProvider& input) {
    const auto unit =
        input.ConsumeBool() ? platform::TextUnit::Utf8Bytes : platform::TextUnit::Utf16Units;
    const auto name = input.ConsumeIntegralInRange<std::size_t>(0, 300);
    const auto path = input.ConsumeIntegralInRange<std::size_t>(0, 600);
    return {{name, unit}, {path, unit}, input.ConsumeBool() ? '/' : '\\'};
}

void CheckOutputPath(const std::string& folder, const std::string& name, const PathLimits& limits,
                     const OutputPathChoice& choice) {
    const std::string joined =
        CollapseBackslashes(folder + limits.separator + name, limits.separator);
    if (Fits(name, limits.name) && Fits(joined, limits.path)) {
        Check(choice.path == joined && choice.problem.empty());
        return;
    }
    Check(choice.path.empty() != choice.problem.empty());
    if (!choice.problem.empty()) return;
    const std::string folderPart = CollapseBackslashes(folder + limits.separator, limits.separator);
    Check(choice.path.starts_with(folderPart) && choice.path.ends_with(".jpg"));
    Check(Fits(choice.path, limits.path));
    Check(Fits(std::string_view(choice.path).substr(folderPart.size()), limits.name));
}

void CheckCommandLine(const std::string& tool, const std::string& address,
                      const std::string& outputPath) {
    std::string line;
    try {
        line = BuildCaptureCommandLine(tool, address, outputPath);
    } catch (const CommandLineRefused&) {
        Check(!ToolPathProblem(tool).empty() || !AddressProblem(address).empty());
        return;
    }
    const std::vector<std::string> expected{tool, "--url=" + EncodeUnsafeAddressCharacters(address),
                                            "--out=" + outputPath};
    Check(platform::SplitCommandLine(line) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const PathLimits limits = SomeLimits(input);
    const std::string tool = input.ConsumeRandomLengthString();
    const std::string folder = input.ConsumeRandomLengthString();
    const std::string outputPath = input.ConsumeRandomLengthString();
    const std::string address = input.ConsumeRemainingBytesAsString();

    const std::string name = OutputFileName(address);
    CheckOutputPath(folder, name, limits, FittingOutputPath(folder, name, limits));
    CheckCommandLine(tool, address, outputPath);
    return 0;
}
