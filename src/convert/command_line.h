#pragma once

#include <string>
#include <string_view>

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

// The capture tool's command line: the quoted tool path, " --url=" and the
// address, " --out=" and the quoted output path.
std::string BuildCaptureCommandLine(std::string_view toolPath, std::string_view address,
                                    std::string_view outputPath);

}  // namespace orlenda
