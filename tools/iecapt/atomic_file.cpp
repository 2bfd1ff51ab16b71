#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

// A hidden name beside the target that no other writer picks: O_EXCL makes
// sure, the random part makes a clash rare.
int createTemporaryBeside(const std::string& path, std::string& temporaryPath, int& error) {
    const std::filesystem::path target(path);
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate =
            target.parent_path() / ("." + target.filename().string() + "." +
                                    std::to_string(random() % 1000000000) + ".part");
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
    if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        return describe("cannot write", path, EISDIR);
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
    if (written && ::rename(temporaryPath.c_str(), path.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (written) return {};
    ::unlink(temporaryPath.c_str());
    return describe("cannot write", path, error);
}

}  // namespace orlenda::iecapt
