#include "system/posix/host_socket.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "system/profile_folder.h"

namespace orlenda::iecapt::host_socket {
namespace {

using host_access::FileKind;

// What the system says of the path itself, a link not followed.
host_access::FileFacts factsOf(const std::string& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) return {};
    const FileKind kind = S_ISDIR(status.st_mode)    ? FileKind::Folder
                          : S_ISSOCK(status.st_mode) ? FileKind::Socket
                          : S_ISLNK(status.st_mode)  ? FileKind::Link
                                                     : FileKind::Other;
    return {kind, status.st_uid, static_cast<unsigned>(status.st_mode & 07777)};
}

bool isPrivateFolder(const std::string& folder) {
    return host_access::isPrivateFolder(factsOf(folder), thisUser());
}

// Every limit the kernel sets on a process, by the name ulimit gives it.
struct Limit {
    const char* name;
    int resource;
};
constexpr Limit kLimits[] = {
    {"as", RLIMIT_AS},           {"core", RLIMIT_CORE},         {"cpu", RLIMIT_CPU},
    {"data", RLIMIT_DATA},       {"fsize", RLIMIT_FSIZE},       {"locks", RLIMIT_LOCKS},
    {"memlock", RLIMIT_MEMLOCK}, {"msgqueue", RLIMIT_MSGQUEUE}, {"nice", RLIMIT_NICE},
    {"nofile", RLIMIT_NOFILE},   {"nproc", RLIMIT_NPROC},       {"rss", RLIMIT_RSS},
    {"rtprio", RLIMIT_RTPRIO},   {"rttime", RLIMIT_RTTIME},     {"sigpending", RLIMIT_SIGPENDING},
    {"stack", RLIMIT_STACK},
};

// The socket's address; false when the path is too long for one.
bool addressOf(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

UniqueFd newSocket() {
    return UniqueFd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
}

}  // namespace

std::string hostFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') return isPrivateFolder(runtime) ? runtime : "";
    const std::string own = profileFolderBase() + "/iecapt-host-" + std::to_string(::geteuid());
    ::mkdir(own.c_str(), 0700);
    return isPrivateFolder(own) ? own : "";
}

std::string socketPathIn(const std::string& folder) { return folder + "/iecapt-host.socket"; }

UniqueFd lockFolder(const std::string& folder, Deadline deadline) {
    const std::string path = folder + "/iecapt-host.lock";
    UniqueFd lock(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!lock) return lock;
    // Held for a moment only: while a socket is made and a host started, or
    // a socket removed.
    while (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.expired()) return UniqueFd();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return lock;
}

UniqueFd connectTo(const std::string& path) {
    sockaddr_un address{};
    if (!host_access::isPrivateSocket(factsOf(path), thisUser())) return UniqueFd();
    UniqueFd connection = newSocket();
    if (!connection || !addressOf(path, address)) return UniqueFd();
    int result = 0;
    do {
        result = ::connect(connection.get(), reinterpret_cast<const sockaddr*>(&address),
                           sizeof address);
    } while (result != 0 && errno == EINTR);
    if (result != 0 || !host_access::admitsPeer(peerUser(connection.get()), thisUser())) {
        return UniqueFd();
    }
    return connection;
}

UniqueFd listenAt(const std::string& path) {
    sockaddr_un address{};
    UniqueFd listener = newSocket();
    if (!listener || !addressOf(path, address)) return UniqueFd();
    ::unlink(path.c_str());
    // The socket file takes its mode from the umask: for this user only.
    const mode_t before = ::umask(0177);
    const int bound =
        ::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::umask(before);
    if (bound != 0 || ::listen(listener.get(), SOMAXCONN) != 0) return UniqueFd();
    return listener;
}

host_access::UserId thisUser() { return ::geteuid(); }

std::optional<host_access::UserId> peerUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) return std::nullopt;
    return peer.uid;
}

std::vector<std::string> limitsOfThisProcess() {
    std::vector<std::string> limits;
    for (const auto& [name, resource] : kLimits) {
        rlimit limit{};
        if (::getrlimit(resource, &limit) != 0) continue;
        const std::string hard = std::to_string(limit.rlim_max);
        limits.push_back(
            std::string(name) + "=" +
            (resource == RLIMIT_NOFILE ? hard : std::to_string(limit.rlim_cur) + ":" + hard));
    }
    return limits;
}

void raiseOpenFilesLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

std::string toolBuild(const std::string& version) {
    struct stat status {};
    if (::stat("/proc/self/exe", &status) != 0) return version;
    return version + " " + std::to_string(status.st_size) + " " +
           std::to_string(status.st_mtim.tv_sec) + "." + std::to_string(status.st_mtim.tv_nsec);
}

}  // namespace orlenda::iecapt::host_socket
