#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace orlenda {

// The part of the text after its last backslash, or the whole text.
std::string FileNamePart(std::string_view text);

// True only when the path can be examined and is a folder; never fails.
bool IsFolder(const platform::FileSystem& files, const std::string& path);

// Runs one naming rule under the number the run reports when it fails.
using NamingStepRunner = std::function<void(int step, const std::function<void()>& rule)>;

// The output file name of an address: every "http://" (lower case only)
// dropped, every "/" turned into "_", ".jpg" appended, then each character a
// Windows file name cannot hold replaced by a blank, one rule after another.
// Case matters and nothing else is touched, so names stay predictable. Each
// rule runs through runStep; a rule that fails leaves the name as it was.
std::string OutputFileName(const std::string& address, const NamingStepRunner& runStep);
// The same with every rule run directly: a failing rule throws.
std::string OutputFileName(const std::string& address);

// Makes doubled separators single, in one pass from left to right. A leading
// run of separators becomes exactly two backslashes (a network path keeps its
// prefix) or exactly one slash.
std::string CollapseBackslashes(std::string_view path, char separator = platform::kPathSeparator);

}  // namespace orlenda
