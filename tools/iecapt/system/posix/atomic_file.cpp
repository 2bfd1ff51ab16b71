#include "system/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

namespace orlenda::iecapt {
namespace {

using atomic_file::folderOf;
using atomic_file::nameTooLong;
using atomic_file::refusal;
using atomic_file::temporaryNameStem;
using atomic_file::temporaryPathBeside;

std::string describe(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

// A hidden name beside the target that no other writer picks: O_EXCL makes
// sure, the random part makes a clash rare.
int createTemporaryBeside(const std::string& path, std::string& temporaryPath, int& error) {
    const std::string stem =
        temporaryNameStem(path, NAME_MAX, PATH_MAX - 1, atomic_file::Units::Bytes);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = temporaryPathBeside(path, stem);
        // 0666 lets the umask decide, as for any file the user creates.
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            temporaryPath = candidate;
            return fd;
        }
        if (errno != EEXIST) break;
    }
    error = errno;
    return -1;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// What sits at the path when it is not a regular file; empty when it is one
// or nothing is there.
std::string notARegularFile(const std::string& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || S_ISREG(status.st_mode)) return {};
    if (S_ISDIR(status.st_mode)) return "a folder";
    if (S_ISLNK(status.st_mode)) return "a symbolic link";
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) return "a device";
    if (S_ISFIFO(status.st_mode)) return "a FIFO";
    return "a socket";
}

// Puts the finished temporary file at the path: in one step when nothing is
// there; else by swapping the two, so that what was at the path can be looked
// at where it can do no harm and swapped back if it is not a regular file.
// Where the file system cannot swap, a look just before the rename has to do.
std::string moveIntoPlace(const std::string& temporaryPath, const std::string& path) {
    if (::renameat2(AT_FDCWD, temporaryPath.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) ==
        0) {
        return {};
    }
    if (errno == EEXIST && ::renameat2(AT_FDCWD, temporaryPath.c_str(), AT_FDCWD, path.c_str(),
                                       RENAME_EXCHANGE) == 0) {
        const std::string found = notARegularFile(temporaryPath);
        if (found.empty()) {
            ::unlink(temporaryPath.c_str());
            return {};
        }
        ::renameat2(AT_FDCWD, temporaryPath.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE);
        return refusal(path, found);
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EEXIST)
        return describe("cannot write", path, errno);
    if (const std::string found = notARegularFile(path); !found.empty())
        return refusal(path, found);
    if (::rename(temporaryPath.c_str(), path.c_str()) != 0)
        return describe("cannot write", path, errno);
    return {};
}

// Whether the name is longer than the folder's file system takes (some take
// fewer than NAME_MAX bytes), or the path longer than the system takes.
bool isNameTooLong(const std::string& path, const std::string& folder) {
    const long nameLimit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    if (nameLimit > 0 && atomic_file::nameOf(path).size() > static_cast<std::size_t>(nameLimit)) {
        return true;
    }
    struct stat status {};
    return ::lstat(path.c_str(), &status) != 0 && errno == ENAMETOOLONG;
}

}  // namespace

std::string checkWritableFilePath(const std::string& path) {
    const std::string folder = folderOf(path);
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0)
        return describe("cannot use the folder", folder, errno);
    if (!S_ISDIR(status.st_mode)) return describe("cannot use the folder", folder, ENOTDIR);
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return describe("cannot write into the folder", folder, errno);
    }
    if (isNameTooLong(path, folder)) return nameTooLong(path);
    if (const std::string found = notARegularFile(path); !found.empty()) {
        return refusal(path, found);
    }
    return {};
}

std::string writeFileAtomically(const std::string& path, std::string_view bytes) {
    std::string temporaryPath;
    int error = 0;
    const int fd = createTemporaryBeside(path, temporaryPath, error);
    if (fd < 0) return describe("cannot create a file in", folderOf(path), error);

    bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
    error = written ? 0 : errno;
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    std::string problem =
        written ? moveIntoPlace(temporaryPath, path) : describe("cannot write", path, error);
    if (!problem.empty()) {
        ::unlink(temporaryPath.c_str());
        return problem;
    }
    // The new name reaches the disk too, so a crash right after cannot undo it.
    const int folder = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return {};
}

}  // namespace orlenda::iecapt
