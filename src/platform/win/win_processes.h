#pragma once

#include <unordered_map>

#include "platform/processes.h"

namespace orlenda::platform {

// Starts programs with CreateProcessW and watches them through process
// handles. The command line goes to the program exactly as given: its own
// runtime splits it. The program runs on when its handle is closed.
class WinProcesses final : public Processes {
public:
    WinProcesses() = default;
    ~WinProcesses() override;
    WinProcesses(const WinProcesses&) = delete;
    WinProcesses& operator=(const WinProcesses&) = delete;

    // Window mode 0 starts a console program without any window.
    ProcessId start(const std::string& commandLine, int windowMode) override;
    ProcessHandle open(ProcessId id) override;
    std::optional<ProcessStatus> status(ProcessHandle handle) override;
    void close(ProcessHandle handle) override;

private:
    // The handle each start returned, held until the process is closed: while
    // it is open the process's id cannot pass to another process, so opening
    // the id always finds the program started here.
    std::unordered_map<ProcessId, void*> m_started;
};

}  // namespace orlenda::platform
