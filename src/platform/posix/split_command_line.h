#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orlenda::platform {

// The program builds one command line for every platform, in the form a
// Windows program receives it. Here it becomes the argument list of a POSIX
// program, split the way the Microsoft C runtime splits it, so the tool sees
// the same arguments on every platform. The first argument, the program, only
// honours quotes; the others are separated by blanks and tabs, grouped by
// quotes, and take backslashes literally except before a quote.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

}  // namespace orlenda::platform
