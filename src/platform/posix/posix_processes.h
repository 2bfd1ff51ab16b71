#pragma once

#include <sys/types.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/processes.h"
#include "shared/posix/unique_fd.h"

namespace orlenda::platform {

// Starts programs with posix_spawn and watches them with waitpid. A handle is
// the child's pid; the pid of a child that has not been started here opens
// to no handle at all.
class PosixProcesses final : public Processes {
public:
    // The command line is split as a Windows program's runtime would split it
    // and the first argument is run as given: no shell, no search path. The
    // child gets a session of its own, so it outlives the program and gets no
    // signals from its terminal, stdin from /dev/null, and none of our other
    // descriptors. Its standard error is an unlinked temporary file, in
    // $TMPDIR, the spare folder or /tmp (or /dev/null when none takes one).
    // The window mode means nothing to a command-line tool here.
    ProcessId start(const std::string& commandLine, int windowMode,
                    const std::string& spareFolder) override;
    ProcessHandle open(ProcessId id) override;
    // A normal exit gives its status; death by a signal gives 128 plus the
    // signal's number, as a shell reports it, and the signal's name, as a
    // crash for the signals of a fault (SIGSEGV, SIGABRT ...).
    std::optional<ProcessStatus> status(ProcessHandle handle) override;
    std::size_t readErrorOutput(ProcessHandle handle, std::uint64_t offset, char* buffer,
                                std::size_t size) override;
    void close(ProcessHandle handle) override;

private:
    struct Child {
        std::optional<ProcessStatus> ended;  // once reaped
        UniqueFd errorFile;                  // none when its errors went nowhere ...
        std::string errorFileLost;           // ... and why
    };

    void reapAbandoned();

    // Children started and not yet closed.
    std::unordered_map<pid_t, Child> m_children;
    // Children closed while still running: reaped once they end, so none is
    // left a zombie.
    std::vector<pid_t> m_abandoned;
};

}  // namespace orlenda::platform
