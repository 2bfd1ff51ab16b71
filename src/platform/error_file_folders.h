#pragma once

#include <string>
#include <utility>
#include <vector>

namespace orlenda::platform {

// Where a started program's standard error file may go, in the order to try
// them, each once and none empty: the temporary folder the environment names
// (which may not exist), the spare folder its starter gives (the run's output
// folder, which a run has just found), and the system's own temporary folder.
std::vector<std::string> ErrorFileFolders(const std::string& environment, const std::string& spare,
                                          const std::string& system);

// Why no folder took the file, each folder with the system's reason:
// "no folder could take a file for them (/x: No such file or directory)".
std::string NoErrorFileReason(const std::vector<std::pair<std::string, std::string>>& refusals);

}  // namespace orlenda::platform
