#include "platform/posix/posix_processes.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "platform/error_file_folders.h"
#include "platform/split_command_line.h"
#include "shared/posix/detached_spawn.h"

namespace orlenda::platform {
namespace {

// The signals a program raises on itself when it fails at a fault; any
// other signal came from outside.
bool IsFaultSignal(int signal) {
    switch (signal) {
        case SIGABRT:
        case SIGBUS:
        case SIGFPE:
        case SIGILL:
        case SIGSEGV:
        case SIGSYS:
        case SIGTRAP:
            return true;
        default:
            return false;
    }
}

ProcessStatus EndOf(int status) {
    if (!WIFSIGNALED(status)) return {.exitCode = static_cast<std::uint32_t>(WEXITSTATUS(status))};
    const int signal = WTERMSIG(status);
    const char* abbreviation = ::sigabbrev_np(signal);
    return {.exitCode = 128 + static_cast<std::uint32_t>(signal),
            .ending = IsFaultSignal(signal) ? ProcessEnding::Crashed : ProcessEnding::Killed,
            .cause = abbreviation ? std::string("SIG") + abbreviation
                                  : "signal " + std::to_string(signal)};
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
    if (result == pid) return EndOf(status);
    return std::nullopt;
}

bool IsRunning(pid_t pid) {
    const std::optional<ProcessStatus> status = PollChild(pid);
    return status && status->running;
}

[[noreturn]] void FailToStart(int errorNumber) {
    throw ProcessStartError(errorNumber, std::strerror(errorNumber));
}

// A file in the folder that no name leads to, so that nothing is left
// behind whoever ends first; -1 with errno set when the folder takes none.
int OpenUnnamedFile(const std::string& folder) {
    const int unnamed = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (unnamed >= 0) return unnamed;
    // Not every file system knows O_TMPFILE: name it, then drop the name.
    std::string name = folder + "/orlenda-errors-XXXXXX";
    const int named = ::mkostemp(name.data(), O_CLOEXEC);
    if (named >= 0) ::unlink(name.c_str());
    return named;
}

// The child's standard error file, in the first folder that takes one.
struct ErrorFile {
    UniqueFd descriptor;
    std::string lost;  // why there is none
};

ErrorFile OpenErrorFile(const std::string& spareFolder) {
    const char* environment = std::getenv("TMPDIR");
    std::vector<std::pair<std::string, std::string>> refusals;
    for (const std::string& folder :
         ErrorFileFolders(environment ? environment : "", spareFolder, P_tmpdir)) {
        UniqueFd descriptor(OpenUnnamedFile(folder));
        if (descriptor) return {.descriptor = std::move(descriptor), .lost = {}};
        refusals.emplace_back(folder, std::strerror(errno));
    }
    return {.descriptor = UniqueFd(), .lost = NoErrorFileReason(refusals)};
}

}  // namespace

ProcessId PosixProcesses::start(const std::string& commandLine, int /*windowMode*/,
                                const std::string& spareFolder) {
    reapAbandoned();
    std::vector<std::string> arguments = SplitCommandLine(commandLine);
    const std::string& program = arguments.front();
    if (program.empty()) FailToStart(ENOENT);
    // A C string ends at the first NUL: such an argument cannot be passed whole.
    const bool holdsNul = std::any_of(arguments.begin(), arguments.end(), [](const auto& each) {
        return each.find('\0') != std::string::npos;
    });
    if (holdsNul) FailToStart(EINVAL);

    ErrorFile error = OpenErrorFile(spareFolder);
    pid_t pid = 0;
    if (const int failure = spawnDetached(
            {.program = program, .arguments = arguments, .errorFile = error.descriptor.get()},
            pid)) {
        FailToStart(failure);
    }
    m_children.emplace(pid,
                       Child{std::nullopt, std::move(error.descriptor), std::move(error.lost)});
    return pid;
}

ProcessHandle PosixProcesses::open(ProcessId id) {
    return m_children.count(static_cast<pid_t>(id)) ? id : kNoProcessHandle;
}

std::optional<ProcessStatus> PosixProcesses::status(ProcessHandle handle) {
    const auto child = m_children.find(static_cast<pid_t>(handle));
    if (child == m_children.end()) return std::nullopt;
    // Once reaped the pid is free for others: answer from memory.
    if (child->second.ended) return child->second.ended;
    const std::optional<ProcessStatus> status = PollChild(child->first);
    if (status && !status->running) child->second.ended = status;
    return status;
}

std::size_t PosixProcesses::readErrorOutput(ProcessHandle handle, std::uint64_t offset,
                                            char* buffer, std::size_t size) {
    const auto child = m_children.find(static_cast<pid_t>(handle));
    if (child == m_children.end()) return 0;
    if (!child->second.errorFile) throw std::runtime_error(child->second.errorFileLost);
    for (;;) {
        const ssize_t count =
            ::pread(child->second.errorFile.get(), buffer, size, static_cast<off_t>(offset));
        if (count >= 0) return static_cast<std::size_t>(count);
        if (errno != EINTR) throw std::runtime_error(std::strerror(errno));
    }
}

void PosixProcesses::close(ProcessHandle handle) {
    const auto child = m_children.find(static_cast<pid_t>(handle));
    if (child == m_children.end()) return;
    if (!child->second.ended && IsRunning(child->first)) {
        m_abandoned.push_back(child->first);
    }
    m_children.erase(child);
    reapAbandoned();
}

void PosixProcesses::reapAbandoned() {
    std::erase_if(m_abandoned, [](pid_t pid) { return !IsRunning(pid); });
}

}  // namespace orlenda::platform
