#include "platform/posix/posix_file_system.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace orlenda::platform {
namespace {

// $HOME as the shells take it; the password database when it is not set.
std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir) return user->pw_dir;
    return {};
}

}  // namespace

std::string ExpandHomeShorthand(const std::string& text, const std::string& home) {
    const bool shorthand = text == "~" || text.starts_with("~/");
    if (!shorthand || home.empty()) return text;
    std::string rest = text.substr(1);
    // "/" as home must not give "//shots".
    if (home.ends_with('/') && rest.starts_with('/')) rest.erase(0, 1);
    return home + rest;
}

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

std::optional<FileStamp> PosixFileSystem::fileStamp(const std::string& path) const {
    struct stat status {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    return FileStamp{
        .size = static_cast<std::uint64_t>(status.st_size),
        .modified = std::int64_t{status.st_mtim.tv_sec} * 1'000'000'000 + status.st_mtim.tv_nsec,
        .volume = status.st_dev,
        .fileIndex = status.st_ino};
}

std::string PosixFileSystem::typedPath(const std::string& text) const {
    return ExpandHomeShorthand(text, HomeFolder());
}

}  // namespace orlenda::platform
