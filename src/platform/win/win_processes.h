#pragma once

#include <string>
#include <unordered_map>

#include "platform/processes.h"
#include "shared/win/owned_handle.h"

namespace orlenda::platform {

// Starts programs with CreateProcessW and watches them through process
// handles. The command line goes to the program exactly as given: its own
// runtime splits it. The program inherits no handle but its standard ones:
// input and output from NUL, errors into a temporary file that Windows
// deletes once both sides have closed it. It runs on when its handle is
// closed, and when this program ends.
class WinProcesses final : public Processes {
public:
    // Window mode 0 starts a console program without any window. The error
    // file goes to the first that takes it of the temporary folder
    // GetTempPath names, the spare folder, and the Windows folder's Temp.
    ProcessId start(const std::string& commandLine, int windowMode,
                    const std::string& spareFolder) override;
    ProcessHandle open(ProcessId id) override;
    // An exception status as exit code (0xC0000005 ...) reads as a crash.
    std::optional<ProcessStatus> status(ProcessHandle handle) override;
    std::size_t readErrorOutput(ProcessHandle handle, std::uint64_t offset, char* buffer,
                                std::size_t size) override;
    void close(ProcessHandle handle) override;

private:
    // A program started here. The handle its start returned stays open until
    // it is closed: meanwhile its id cannot pass to another process, so
    // opening the id always finds this program.
    struct Started {
        OwnedHandle process;
        OwnedHandle errors;      // the reading side of its standard error file ...
        std::string errorsLost;  // ... or why there is none
    };

    Started* startedFor(ProcessHandle handle);

    std::unordered_map<ProcessId, Started> m_started;
};

}  // namespace orlenda::platform
