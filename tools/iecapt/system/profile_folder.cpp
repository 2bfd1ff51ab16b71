#include "system/profile_folder.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <thread>
#include <vector>

#include "common/exit_code.h"
#include "common/utf8_path.h"

namespace orlenda::iecapt {
namespace profile_folder {

bool isProfileFolderName(std::string_view name) {
    if (name.size() != kPrefix.size() + 6 || !name.starts_with(kPrefix)) return false;
    for (const char c : name.substr(kPrefix.size())) {
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

bool leavesRoomForBrowserSocket(std::string_view base) {
    // The name Chromium gives its socket's folder, with room for other builds'.
    constexpr std::string_view kDeepest =
        "/iecapt-XXXXXX/tmp/org.chromium.Chromium.XXXXXX/SingletonSocket";
    constexpr std::size_t kSocketPathBytes = 107;  // sun_path, less its NUL
    return base.size() + kDeepest.size() <= kSocketPathBytes;
}

bool isLeftWithoutLock(std::filesystem::file_time_type lastChange,
                       std::filesystem::file_time_type now) {
    return now - lastChange > kLocklessFolderAge;
}

bool isLeftWithoutLock(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path path = pathFromUtf8(folder);
    if (fs::symlink_status(path / kLockName, error).type() != fs::file_type::not_found) {
        return false;
    }
    fs::file_time_type lastChange = fs::last_write_time(path, error);
    for (auto entry = fs::recursive_directory_iterator(path, error);
         !error && entry != fs::recursive_directory_iterator(); entry.increment(error)) {
        // A link's own time is its folder's; what it points to is not ours.
        if (entry->is_symlink(error) || error) continue;
        const fs::file_time_type changed = entry->last_write_time(error);
        if (!error) lastChange = std::max(lastChange, changed);
    }
    return !error && isLeftWithoutLock(lastChange, fs::file_time_type::clock::now());
}

// The browser leaves some two hundred files; on a disk each removal waits for
// the file system, so they are removed several at a time, which takes a third
// as long.
void removeTree(const std::string& folder) {
    std::error_code error;
    std::vector<std::filesystem::path> files;
    for (auto entry = std::filesystem::recursive_directory_iterator(pathFromUtf8(folder), error);
         !error && entry != std::filesystem::recursive_directory_iterator();
         entry.increment(error)) {
        if (!entry->is_directory(error)) files.push_back(entry->path());
    }
    constexpr std::size_t kRemovers = 8;
    std::vector<std::jthread> removers;
    for (std::size_t first = 0; first < std::min(kRemovers, files.size()); ++first) {
        removers.emplace_back([&files, first] {
            std::error_code ignored;
            for (std::size_t i = first; i < files.size(); i += kRemovers) {
                std::filesystem::remove(files[i], ignored);
            }
        });
    }
    removers.clear();  // joins them
    std::filesystem::remove_all(pathFromUtf8(folder), error);
}

void failToMake(const std::string& what, const std::string& where, const std::string& reason) {
    throw CaptureFailure(ExitCode::BrowserFailed,
                         "cannot create " + what + " for the browser in " + where + ": " + reason);
}

}  // namespace profile_folder

std::string ProfileFolder::inside(std::string_view name) const {
    return m_path + static_cast<char>(std::filesystem::path::preferred_separator) +
           std::string(name);
}

void ProfileFolder::makeFolders() {
    for (const std::string& folder : {profile(), temporaryFiles(), home()}) {
        std::error_code error;
        if (!std::filesystem::create_directory(pathFromUtf8(folder), error)) {
            const std::string reason = error.message();
            removeAll();
            profile_folder::failToMake("a folder", m_path, reason);
        }
    }
}

ProfileFolder::~ProfileFolder() { removeAll(); }

void ProfileFolder::removeBrowserFiles() const {
    for (const std::string& folder : {profile(), home(), temporaryFiles()}) {
        profile_folder::removeTree(folder);
    }
}

}  // namespace orlenda::iecapt
