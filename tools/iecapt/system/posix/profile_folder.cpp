#include "system/profile_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "shared/posix/unique_fd.h"

namespace orlenda::iecapt {

using profile_folder::kLockName;
using profile_folder::kPrefix;

std::string temporaryBase() {
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

std::string profileFolderBase() {
    std::string base = temporaryBase();
    if (profile_folder::leavesRoomForBrowserSocket(base)) return base;
    struct stat status {};
    const bool shortOneThere = ::stat("/tmp", &status) == 0 && S_ISDIR(status.st_mode) &&
                               ::access("/tmp", W_OK | X_OK) == 0;
    return shortOneThere ? "/tmp" : base;
}

ProfileFolder::ProfileFolder() : m_lock(-1) {
    const std::string base = profileFolderBase();
    std::string pattern = base + "/" + std::string(kPrefix) + "XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        profile_folder::failToMake("a temporary folder", base, std::strerror(errno));
    }
    m_path = pattern;
    // Locked before it gets its name, so a cleaner never finds it unlocked.
    const std::string newLock = inside(kLockName) + ".new";
    m_lock = ::open(newLock.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (m_lock < 0 || ::flock(m_lock, LOCK_EX) != 0 ||
        ::rename(newLock.c_str(), inside(kLockName).c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        removeAll();
        profile_folder::failToMake("a lock file", m_path, reason);
    }
    makeFolders();
}

void ProfileFolder::removeAll() {
    profile_folder::removeTree(m_path);
    if (m_lock >= 0) ::close(m_lock);  // only once the folder is gone
    m_lock = -1;
}

void removeStaleProfileFolders(const std::string& base) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(base, error)) {
        const std::string folder = entry.path().string();
        struct stat status {};
        if (!profile_folder::isProfileFolderName(entry.path().filename().string()) ||
            ::lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
            status.st_uid != ::geteuid()) {
            continue;
        }
        const std::string lock = folder + "/" + std::string(kLockName);
        const UniqueFd fd(::open(lock.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (!fd) {
            if (profile_folder::isLeftWithoutLock(folder)) profile_folder::removeTree(folder);
            continue;
        }
        // Free means its tool has gone: the kernel let go of the lock with it.
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) profile_folder::removeTree(folder);
    }
}

}  // namespace orlenda::iecapt
