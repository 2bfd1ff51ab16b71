#include "platform/error_file_folders.h"

#include <algorithm>

namespace orlenda::platform {

std::vector<std::string> ErrorFileFolders(const std::string& environment, const std::string& spare,
                                          const std::string& system) {
    std::vector<std::string> folders;
    for (const std::string* folder : {&environment, &spare, &system}) {
        if (!folder->empty() &&
            std::find(folders.begin(), folders.end(), *folder) == folders.end()) {
            folders.push_back(*folder);
        }
    }
    return folders;
}

std::string NoErrorFileReason(const std::vector<std::pair<std::string, std::string>>& refusals) {
    std::string reasons;
    for (const auto& [folder, reason] : refusals) {
        reasons += (reasons.empty() ? "" : "; ") + folder + ": " + reason;
    }
    return "no folder could take a file for them (" + reasons + ")";
}

}  // namespace orlenda::platform
