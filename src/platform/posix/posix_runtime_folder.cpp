#include "platform/posix/posix_runtime_folder.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace orlenda::platform {
namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

std::string RuntimeFolderToUse(const std::string& session, bool sessionIsFolder,
                               const std::string& cacheHome, const std::string& home) {
    if (!session.empty() && sessionIsFolder) return {};
    if (cacheHome.starts_with('/')) return cacheHome + "/orlenda/runtime";
    if (home.starts_with('/')) return home + "/.cache/orlenda/runtime";
    return {};
}

void UseRuntimeFolderOfTheUser() {
    const std::string session = Variable("XDG_RUNTIME_DIR");
    std::error_code unseen;
    const std::string folder =
        RuntimeFolderToUse(session, std::filesystem::is_directory(session, unseen),
                           Variable("XDG_CACHE_HOME"), Variable("HOME"));
    if (folder.empty()) return;
    std::error_code notMade;
    std::filesystem::create_directories(folder, notMade);
    // The toolkit takes only a folder that no one else may enter.
    ::chmod(folder.c_str(), S_IRWXU);
    ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
}

}  // namespace orlenda::platform
