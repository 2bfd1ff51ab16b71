#include "platform/posix/posix_file_system.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace orlenda::platform {

bool PosixFileSystem::fileExists(const std::string& path) const {
    struct stat status {};
    return !path.empty() && ::stat(path.c_str(), &status) == 0;
}

bool PosixFileSystem::isFolder(const std::string& path) const {
    struct stat status {};
    return !path.empty() && ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string PosixFileSystem::programFolder() const {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return std::filesystem::current_path(error).string();
    return executable.parent_path().string();
}

}  // namespace orlenda::platform
