#include "profile_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>
#include <vector>

#include "exit_code.h"

namespace orlenda::iecapt {
namespace {

constexpr std::string_view kPrefix = "iecapt-";
constexpr const char* kLockName = "owner.lock";

// A name mkdtemp gives for "iecapt-XXXXXX".
bool isProfileFolderName(std::string_view name) {
    if (name.size() != kPrefix.size() + 6 || !name.starts_with(kPrefix)) return false;
    for (const char c : name.substr(kPrefix.size())) {
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

// Removes a folder and all it holds. The browser leaves some two hundred
// files; on a disk each removal waits for the file system, so they are
// removed several at a time, which takes a third as long.
void removeTree(const std::string& folder) {
    std::error_code error;
    std::vector<std::filesystem::path> files;
    for (auto entry = std::filesystem::recursive_directory_iterator(folder, error);
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
    std::filesystem::remove_all(folder, error);
}

[[noreturn]] void failToMake(const std::string& what, const std::string& where) {
    throw CaptureFailure(ExitCode::BrowserFailed, "cannot create " + what + " for the browser in " +
                                                      where + ": " + std::strerror(errno));
}

}  // namespace

std::string temporaryBase() {
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

ProfileFolder::ProfileFolder() {
    const std::string base = temporaryBase();
    std::string pattern = base + "/" + std::string(kPrefix) + "XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) failToMake("a temporary folder", base);
    m_path = pattern;
    // Locked before it gets its name, so a cleaner never finds it unlocked.
    const std::string newLock = m_path + "/" + kLockName + ".new";
    m_lockFd = ::open(newLock.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (m_lockFd < 0 || ::flock(m_lockFd, LOCK_EX) != 0 ||
        ::rename(newLock.c_str(), (m_path + "/" + kLockName).c_str()) != 0) {
        const int error = errno;
        removeAll();
        errno = error;
        failToMake("a lock file", m_path);
    }
    for (const std::string& folder : {profile(), temporaryFiles(), home()}) {
        if (::mkdir(folder.c_str(), 0700) != 0) {
            const int error = errno;
            removeAll();
            errno = error;
            failToMake("a folder", m_path);
        }
    }
}

ProfileFolder::~ProfileFolder() { removeAll(); }

void ProfileFolder::removeBrowserFiles() const {
    for (const std::string& folder : {profile(), home(), temporaryFiles()}) removeTree(folder);
}

void ProfileFolder::removeAll() {
    removeTree(m_path);
    if (m_lockFd >= 0) ::close(m_lockFd);  // only once the folder is gone
    m_lockFd = -1;
}

void removeStaleProfileFolders(const std::string& base) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(base, error)) {
        const std::string folder = entry.path().string();
        struct stat status {};
        if (!isProfileFolderName(entry.path().filename().string()) ||
            ::lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
            status.st_uid != ::geteuid()) {
            continue;
        }
        const std::string lock = folder + "/" + kLockName;
        const int fd = ::open(lock.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        // Free means its tool has gone: the kernel let go of the lock with it.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) removeTree(folder);
        ::close(fd);
    }
}

}  // namespace orlenda::iecapt
