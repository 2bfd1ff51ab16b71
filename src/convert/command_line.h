#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/command_line_limit.h"

namespace orlenda {

// The capture tool lies in the program's own folder and is never looked up
// on a search path.
#ifdef _WIN32
inline constexpr char kCaptureToolName[] = "iecapt.exe";
#else
inline constexpr char kCaptureToolName[] = "iecapt";
#endif

std::string CaptureToolPath(const std::string& programFolder);

// The address as it may stand unquoted on a command line: blanks, double
// quotes and control characters are percent-encoded, so an address can never
// split into more arguments or smuggle in an option of its own.
std::string EncodeUnsafeAddressCharacters(std::string_view address);

// The argument in double quotes, escaped so that a program's runtime reads it
// back unchanged: quotes inside, and backslashes before a quote, are escaped.
// Text without quotes or a trailing backslash simply gains the quotes.
std::string QuoteArgument(std::string_view argument);

// Why the address cannot reach the tool, or empty when it can: it holds a NUL
// (which no argument and no file name can carry), or its argument, as passed
// with the address percent-encoded, is longer than the platform passes.
std::string AddressProblem(std::string_view address,
                           platform::TextLimit argumentLimit = platform::kArgumentLimit);

// Why the tool cannot be named on a command line, or empty when it can: the
// program's name honours quotes only, so a double quote in the program's own
// folder would turn the line into another program with other arguments.
std::string ToolPathProblem(std::string_view toolPath);

// A command line that must not be started; what() is the reason for the user.
class CommandLineRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The capture tool's command line: the quoted tool path, " --url=" and the
// address, " --out=" and the quoted output path. Throws CommandLineRefused
// with the ToolPathProblem or AddressProblem when there is one, so that no
// other program, and no other argument, is ever started.
std::string BuildCaptureCommandLine(std::string_view toolPath, std::string_view address,
                                    std::string_view outputPath);

}  // namespace orlenda
