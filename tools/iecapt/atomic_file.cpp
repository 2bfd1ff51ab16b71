#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

namespace orlenda::iecapt {
namespace {

std::string folderOf(const std::string& path) {
    const auto folder = std::filesystem::path(path).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

std::string describe(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

// What a temporary name adds to the target's: two dots, nine digits, ".part".
constexpr std::size_t kTemporaryNameExtra = 16;

// As much of the target's name as the temporary name can hold, so that it
// fits the file system wherever the target does (NAME_MAX, PATH_MAX less its
// NUL), never cut inside a character.
std::string temporaryNameStem(const std::filesystem::path& target) {
    const std::string name = target.filename().string();
    const std::size_t pathRest = target.string().size() - name.size() + kTemporaryNameExtra;
    const std::size_t pathRoom = PATH_MAX - 1 > pathRest ? PATH_MAX - 1 - pathRest : 0;
    std::size_t keep = std::min({name.size(), NAME_MAX - kTemporaryNameExtra, pathRoom});
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
    return name.substr(0, keep);
}

// A hidden name beside the target that no other writer picks: O_EXCL makes
// sure, the random part makes a clash rare.
int createTemporaryBeside(const std::string& path, std::string& temporaryPath, int& error) {
    const std::filesystem::path target(path);
    const std::string stem = temporaryNameStem(target);
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = target.parent_path() /
                               ("." + stem + "." + std::to_string(random() % 1000000000) + ".part");
        // 0666 lets the umask decide, as for any file the user creates.
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            temporaryPath = candidate.string();
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

std::string refusal(const std::string& path, const std::string& what) {
    return "cannot write " + path + ": it is " + what + ", not a regular file";
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
    if (!problem.empty()) ::unlink(temporaryPath.c_str());
    return problem;
}

}  // namespace orlenda::iecapt
