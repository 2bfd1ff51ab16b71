#pragma once

#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/files.h"
#include "platform/list_files.h"

namespace orlenda {

// How many names the list of rows not saved tries before it gives up.
inline constexpr int kMostRetryListNames = 100;

// The name of the list of rows not saved: "Not saved 2026-12-07 14.05.31.txt"
// at the first attempt, then with " (2)", " (3)" ... before ".txt".
std::string RetryListName(const platform::LocalTime& time, int attempt);

// Where the list of the rows not saved went.
struct RetryList {
    // Empty when there was nothing to write or it could not be written.
    std::string path{};
    // Why it could not go to the output folder; empty when it went there.
    std::string outputFolderFailure{};
    // Why it could not go to the home folder either.
    std::string homeFolderFailure{};
};

// The program's end when no folder took the list of the rows not saved: the
// addresses, one a line, on standard error after a line that says why, and
// a failure for its exit status.
platform::ProgramEnd EndWithLostRetryList(const RetryList& list,
                                          const std::vector<std::string>& addresses);

// Writes the addresses, one a line, into a new list file in the output folder,
// or in the home folder when the output folder cannot take it, so that
// loading it gives those rows again. Writes nothing without addresses. Never
// replaces a file and never fails: what went wrong is in the result.
RetryList WriteRetryList(platform::ListFiles& listFiles, const platform::FileSystem& files,
                         const std::string& outputFolder, const std::string& homeFolder,
                         const platform::LocalTime& time,
                         const std::vector<std::string>& addresses);

}  // namespace orlenda
