#include "system/browser_process.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>
#include <thread>

#include "common/deadline.h"
#include "common/exit_code.h"
#include "shared/posix/unique_fd.h"

extern char** environ;

namespace orlenda::iecapt {
namespace {

bool isExecutableFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    pointers.reserve(texts.size() + 1);
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// What the forked child sends back when it cannot become the browser.
struct ChildFailure {
    enum class Step : int { HandOver, Exec } step;
    int error;
};

[[noreturn]] void failInChild(int statusFd, ChildFailure::Step step) {
    const ChildFailure failure{step, errno};
    [[maybe_unused]] const auto ignored = ::write(statusFd, &failure, sizeof failure);
    ::_exit(127);
}

// Marks every descriptor from the first on close-on-exec, however high:
// close_range where the kernel has it (5.11), else each one /proc lists.
// Only calls that are safe in a forked child.
bool markCloseOnExecFrom(int first) {
    if (::close_range(static_cast<unsigned>(first), ~0U, CLOSE_RANGE_CLOEXEC) == 0) return true;
    const int folder = ::open("/proc/self/fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return false;
    alignas(dirent64) char entries[4096];
    long got = 0;
    while ((got = ::syscall(SYS_getdents64, folder, entries, sizeof entries)) > 0) {
        for (long at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(entries + at);
            at += entry->d_reclen;
            int fd = 0;
            const char* digit = entry->d_name;
            for (; *digit >= '0' && *digit <= '9'; ++digit) fd = fd * 10 + (*digit - '0');
            if (*digit == '\0' && digit != entry->d_name && fd >= first && fd != folder) {
                ::fcntl(fd, F_SETFD, FD_CLOEXEC);
            }
        }
    }
    ::close(folder);
    return got == 0;
}

// Runs in the forked child until exec; only calls that are safe there. A step
// that fails is reported, so the tool fails at once instead of waiting for a
// browser that has no pipe.
[[noreturn]] void becomeBrowser(pid_t tool, int commandsFd, int eventsFd, const char* logPath,
                                int statusFd, char** argv, char** envp) {
    ::setsid();
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != tool) ::_exit(127);  // the tool died before the line above

    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) ::signal(signal, SIG_DFL);

    // Out of the way of 0-4 first, so no dup2 below overwrites a source.
    const int commands = ::fcntl(commandsFd, F_DUPFD_CLOEXEC, 10);
    if (commands < 0) failInChild(statusFd, ChildFailure::Step::HandOver);
    const int events = ::fcntl(eventsFd, F_DUPFD_CLOEXEC, 10);
    if (events < 0) failInChild(statusFd, ChildFailure::Step::HandOver);
    const int nothing = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (nothing < 0) failInChild(statusFd, ChildFailure::Step::HandOver);
    int log = ::open(logPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (log < 0) log = nothing;
    const int logHigh = ::fcntl(log, F_DUPFD_CLOEXEC, 10);
    const int nothingHigh = ::fcntl(nothing, F_DUPFD_CLOEXEC, 10);
    if (logHigh < 0 || nothingHigh < 0 || ::dup2(nothingHigh, 0) < 0 || ::dup2(logHigh, 1) < 0 ||
        ::dup2(logHigh, 2) < 0 || ::dup2(commands, 3) < 0 || ::dup2(events, 4) < 0) {
        failInChild(statusFd, ChildFailure::Step::HandOver);
    }
    // Nothing else the tool was given may leak into the browser.
    if (!markCloseOnExecFrom(5)) failInChild(statusFd, ChildFailure::Step::HandOver);
    ::execve(argv[0], argv, envp);
    failInChild(statusFd, ChildFailure::Step::Exec);
}

// Our own children, as the kernel lists them.
std::vector<pid_t> childrenOfThisProcess() {
    std::ifstream list("/proc/self/task/" + std::to_string(::getpid()) + "/children");
    std::vector<pid_t> children;
    pid_t child = 0;
    while (list >> child) children.push_back(child);
    return children;
}

struct PipeEnds {
    UniqueFd read;
    UniqueFd write;
};

// A pipe, both ends closed on exec; neither end when the system made none.
PipeEnds makePipe() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return {};
    return {UniqueFd(ends[0]), UniqueFd(ends[1])};
}

}  // namespace

std::string findBrowser(const std::string& given, const std::string& searchPath) {
    if (given.find('/') != std::string::npos)
        return isExecutableFile(given) ? given : std::string();
    // The headless shell first: the same engine without the full browser's
    // interface, it starts several times faster and takes tall shots quicker.
    const std::vector<std::string> names =
        given.empty() ? std::vector<std::string>{"chromium-headless-shell", "chromium",
                                                 "chromium-browser", "google-chrome"}
                      : std::vector<std::string>{given};
    for (const std::string& name : names) {
        std::istringstream folders(searchPath);
        std::string folder;
        while (std::getline(folders, folder, ':')) {
            std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
            if (isExecutableFile(candidate)) return candidate;
        }
    }
    return {};
}

BrowserLookup lookForBrowser(const std::string& given) {
    const char* searchPath = std::getenv("PATH");
    BrowserLookup lookup;
    lookup.path =
        findBrowser(given, searchPath != nullptr ? searchPath : "/usr/local/bin:/usr/bin:/bin");
    if (lookup.path.empty()) {
        lookup.problem = given.empty()
                             ? "no browser found: install chromium-headless-shell or chromium, "
                               "or give --browser=PATH"
                             : "the browser " + given + " is not an executable file";
    }
    return lookup;
}

std::string_view browserSearchHelp() {
    return "  --browser=PATH       the browser to run (default: chromium-headless-shell,\n"
           "                       chromium, chromium-browser or google-chrome, looked\n"
           "                       for on PATH)\n";
}

std::vector<std::string> currentEnvironment() {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
    return environment;
}

bool runningAsRoot() { return ::geteuid() == 0; }

std::optional<long long> openFilesLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_max == RLIM_INFINITY) {
        return std::nullopt;
    }
    return static_cast<long long>(limit.rlim_max);
}

std::vector<std::string> browserEnvironment(const std::vector<std::string>& inherited,
                                            const std::string& home,
                                            const std::string& temporaryFiles) {
    return environmentWith(inherited,
                           {
                               {"HOME", home},
                               {"XDG_CONFIG_HOME", home + "/.config"},
                               {"XDG_CACHE_HOME", home + "/.cache"},
                               {"XDG_DATA_HOME", home + "/.local/share"},
                               {"XDG_STATE_HOME", home + "/.local/state"},
                               {"TMPDIR", temporaryFiles},
                           },
                           VariableNames::CaseSensitive);
}

// The browser's first process, which leads its process group.
struct BrowserProcess::Running {
    pid_t pid = -1;
};

BrowserProcess::BrowserProcess(const std::vector<std::string>& arguments,
                               const std::vector<std::string>& environment,
                               const std::string& logPath)
    : m_running(std::make_unique<Running>()), m_toBrowser(-1), m_fromBrowser(-1) {
    // Everything the child needs is made before the pipes and the fork.
    std::vector<std::string> argumentTexts = arguments;
    std::vector<std::string> environmentTexts = environment;
    std::vector<char*> argv = pointersTo(argumentTexts);
    std::vector<char*> envp = pointersTo(environmentTexts);
    const pid_t tool = ::getpid();

    PipeEnds commands = makePipe();
    PipeEnds events = makePipe();
    PipeEnds execStatus = makePipe();
    if (!commands.read || !events.read || !execStatus.read) {
        throw CaptureFailure(ExitCode::BrowserFailed,
                             std::string("cannot make a pipe: ") + std::strerror(errno));
    }
    m_running->pid = ::fork();
    if (m_running->pid == 0) {
        becomeBrowser(tool, commands.read.get(), events.write.get(), logPath.c_str(),
                      execStatus.write.get(), argv.data(), envp.data());
    }
    const int forkError = errno;
    // The browser's ends are the browser's alone.
    commands.read.reset();
    events.write.reset();
    execStatus.write.reset();
    if (m_running->pid < 0) {
        throw CaptureFailure(ExitCode::BrowserFailed,
                             std::string("cannot start the browser: ") + std::strerror(forkError));
    }
    // Nothing to read means exec went through; a failure means it did not.
    ChildFailure failure{};
    ssize_t got;
    do {
        got = ::read(execStatus.read.get(), &failure, sizeof failure);
    } while (got < 0 && errno == EINTR);
    if (got == sizeof failure) {
        stop();
        throw CaptureFailure(ExitCode::BrowserFailed,
                             (failure.step == ChildFailure::Step::Exec
                                  ? "cannot run " + arguments.front()
                                  : std::string("cannot hand the browser its pipe")) +
                                 ": " + std::strerror(failure.error));
    }
    m_toBrowser = commands.write.release();
    m_fromBrowser = events.read.release();
}

BrowserProcess::~BrowserProcess() { stop(); }

void BrowserProcess::kill() {
    if (m_running->pid <= 0) return;
    // The browser cannot be mid-way through anything worth keeping: the image
    // is written by the tool, and the profile is thrown away.
    ::kill(-m_running->pid, SIGKILL);
    ::kill(m_running->pid, SIGKILL);  // in case it was stopped before it left our group
}

void BrowserProcess::stop() {
    if (m_running->pid <= 0) return;
    kill();
    // The tool starts no other process, and reaps orphans: every child it
    // has is the browser or one of its helpers, and a helper dying hands its
    // own children to us before it can be reaped. No child left means no
    // process of the browser left.
    const Deadline limit = Deadline::after(std::chrono::seconds(5));
    while (!limit.expired()) {
        int status = 0;
        const pid_t reaped = ::waitpid(-1, &status, WNOHANG);
        if (reaped > 0 || (reaped < 0 && errno == EINTR)) continue;
        if (reaped < 0) break;
        // Helpers that left the browser's group (Crashpad's) end here.
        for (const pid_t child : childrenOfThisProcess()) ::kill(child, SIGKILL);
        ::kill(-m_running->pid, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    m_running->pid = -1;
}

void adoptOrphanedDescendants() { ::prctl(PR_SET_CHILD_SUBREAPER, 1); }

}  // namespace orlenda::iecapt
