#include "platform/posix/posix_processes.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/posix/split_command_line.h"

extern char** environ;

namespace orlenda::platform {
namespace {

constexpr ProcessHandle kNoHandle = 0;

// posix_spawn's attributes and file actions, released on every way out.
class SpawnSettings {
public:
    SpawnSettings() {
        posix_spawnattr_init(&m_attributes);
        posix_spawn_file_actions_init(&m_actions);
    }
    ~SpawnSettings() {
        posix_spawn_file_actions_destroy(&m_actions);
        posix_spawnattr_destroy(&m_attributes);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    // Returns 0 or an error number.
    int detachChild() {
        sigset_t noSignals;
        sigset_t allSignals;
        sigemptyset(&noSignals);
        sigfillset(&allSignals);
        const short flags = POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        if (const int error = posix_spawnattr_setflags(&m_attributes, flags)) return error;
        if (const int error = posix_spawnattr_setsigmask(&m_attributes, &noSignals)) return error;
        if (const int error = posix_spawnattr_setsigdefault(&m_attributes, &allSignals)) {
            return error;
        }
        if (const int error = posix_spawn_file_actions_addopen(&m_actions, STDIN_FILENO,
                                                               "/dev/null", O_RDONLY, 0)) {
            return error;
        }
        return posix_spawn_file_actions_addclosefrom_np(&m_actions, STDERR_FILENO + 1);
    }

    const posix_spawnattr_t* attributes() const { return &m_attributes; }
    const posix_spawn_file_actions_t* actions() const { return &m_actions; }

private:
    posix_spawnattr_t m_attributes;
    posix_spawn_file_actions_t m_actions;
};

std::uint32_t ExitCodeOf(int status) {
    if (WIFSIGNALED(status)) return 128 + static_cast<std::uint32_t>(WTERMSIG(status));
    return static_cast<std::uint32_t>(WEXITSTATUS(status));
}

// The child's status without waiting (an ended child is reaped); nothing
// when it is not ours to wait for.
std::optional<ProcessStatus> PollChild(pid_t pid) {
    int status = 0;
    pid_t result = 0;
    do {
        result = ::waitpid(pid, &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == 0) return ProcessStatus{.running = true};
    if (result == pid) return ProcessStatus{.exitCode = ExitCodeOf(status)};
    return std::nullopt;
}

bool IsRunning(pid_t pid) {
    const std::optional<ProcessStatus> status = PollChild(pid);
    return status && status->running;
}

[[noreturn]] void FailToStart(int errorNumber, const std::string& program) {
    throw ProcessStartError(errorNumber,
                            "Cannot start " + program + ": " + std::strerror(errorNumber));
}

}  // namespace

ProcessId PosixProcesses::start(const std::string& commandLine, int /*windowMode*/) {
    reapAbandoned();
    std::vector<std::string> arguments = SplitCommandLine(commandLine);
    const std::string& program = arguments.front();
    if (program.empty()) FailToStart(ENOENT, program);
    // A C string ends at the first NUL: such an argument cannot be passed whole.
    const bool holdsNul = std::any_of(arguments.begin(), arguments.end(), [](const auto& each) {
        return each.find('\0') != std::string::npos;
    });
    if (holdsNul) FailToStart(EINVAL, program);

    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    SpawnSettings settings;
    if (const int error = settings.detachChild()) FailToStart(error, program);
    pid_t pid = 0;
    if (const int error = ::posix_spawn(&pid, program.c_str(), settings.actions(),
                                        settings.attributes(), argv.data(), environ)) {
        FailToStart(error, program);
    }
    m_children.emplace(pid, std::nullopt);
    return pid;
}

ProcessHandle PosixProcesses::open(ProcessId id) {
    return m_children.count(static_cast<pid_t>(id)) ? id : kNoHandle;
}

std::optional<ProcessStatus> PosixProcesses::status(ProcessHandle handle) {
    const auto child = m_children.find(static_cast<pid_t>(handle));
    if (child == m_children.end()) return std::nullopt;
    // Once reaped the pid is free for others: answer from memory.
    if (child->second) return child->second;
    const std::optional<ProcessStatus> status = PollChild(child->first);
    if (status && !status->running) child->second = status;
    return status;
}

void PosixProcesses::close(ProcessHandle handle) {
    const auto child = m_children.find(static_cast<pid_t>(handle));
    if (child == m_children.end()) return;
    if (!child->second && IsRunning(child->first)) {
        m_abandoned.push_back(child->first);
    }
    m_children.erase(child);
    reapAbandoned();
}

void PosixProcesses::reapAbandoned() {
    std::erase_if(m_abandoned, [](pid_t pid) { return !IsRunning(pid); });
}

}  // namespace orlenda::platform
