#include "form/dialog_start.h"

#include <algorithm>

namespace orlenda {

std::string DialogStartFolder(const std::vector<StartCandidate>& candidates,
                              const std::string& homeFolder) {
    const auto found = std::find_if(candidates.begin(), candidates.end(),
                                    [](const StartCandidate& folder) { return folder.isFolder; });
    return found == candidates.end() ? homeFolder : found->path;
}

std::string FolderOfFile(const std::string& path) {
#ifdef _WIN32
    // Either separator; C:\list.txt lies in C:\, not in C:, the drive's
    // current folder.
    const std::size_t separator = path.find_last_of("\\/");
    const bool inRoot = separator == 0 || (separator == 2 && path[1] == ':');
#else
    const std::size_t separator = path.rfind('/');
    const bool inRoot = separator == 0;
#endif
    if (separator == std::string::npos) return {};
    return path.substr(0, inRoot ? separator + 1 : separator);
}

}  // namespace orlenda
