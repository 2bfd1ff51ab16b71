#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orlenda::platform {

// The program builds one command line for every platform, in the form a
// Windows program receives it. This splits it the way the Microsoft C runtime
// splits it: on POSIX the processes service starts the tool with these
// arguments, so the tool sees the same arguments on every platform; on every
// platform the convert tests check the quoting against it. The first
// argument, the program, only honours quotes; the others are separated by
// blanks and tabs, grouped by quotes, and take backslashes literally except
// before a quote.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

}  // namespace orlenda::platform
