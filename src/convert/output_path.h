#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/text_limit.h"

namespace orlenda {

// The part of the text after its last backslash, or the whole text.
std::string FileNamePart(std::string_view text);

// True only when the path can be examined and is a folder; never fails.
bool IsFolder(const platform::FileSystem& files, const std::string& path);

// Runs one naming rule under the number the run reports when it fails.
using NamingStepRunner = std::function<void(int step, const std::function<void()>& rule)>;

// The output file name of an address: every "http://" (lower case only)
// dropped, every "/" turned into "_", ".jpg" appended, then each character a
// Windows file name cannot hold replaced by a blank, one rule after another,
// and last every control character (U+0000 to U+001F, U+007F).
// Case matters and nothing else is touched, so names stay predictable. Each
// rule runs through runStep; a rule that fails leaves the name as it was.
std::string OutputFileName(const std::string& address, const NamingStepRunner& runStep);
// The same with every rule run directly: a failing rule throws.
std::string OutputFileName(const std::string& address);

// Makes doubled separators single, in one pass from left to right. A leading
// run of separators becomes exactly two backslashes (a network path keeps its
// prefix) or exactly one slash.
std::string CollapseBackslashes(std::string_view path, char separator = platform::kPathSeparator);

// What the file system takes; both limits count in the same unit.
struct PathLimits {
    platform::TextLimit name = platform::kFileNameLimit;
    platform::TextLimit path = platform::kPathLimit;
    char separator = platform::kPathSeparator;
};

// Where a row's image goes, or why no file can be written in the folder.
struct OutputPathChoice {
    std::string path;
    std::string problem;  // empty when path is the one to write
    std::string folder;   // the folder it was given
};

// The output path of the file name in the folder: the two joined by a
// separator, then CollapseBackslashes. A name that is too long for the file
// system, or for the whole path, keeps as much of its beginning as fits (never
// half a character), then "~", a hash of the whole name and ".jpg", so that
// distinct long addresses still get distinct files. A folder too long for even
// a shortened name gives a problem instead. Paths that fit are left as they are.
OutputPathChoice FittingOutputPath(std::string_view folder, std::string_view fileName,
                                   const PathLimits& limits = {});

}  // namespace orlenda
