#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace orlenda::platform {

using ProcessId = std::int64_t;
using ProcessHandle = std::int64_t;
// What open gives for a process it cannot open.
inline constexpr ProcessHandle kNoProcessHandle = 0;

// Window modes of a started program: 0 hidden ... 6 minimized without focus.
inline constexpr int kWindowHidden = 0;
inline constexpr int kWindowMinimizedNoFocus = 6;

// A command line that could not be started; carries the system's error number
// and its description ("No such file or directory") as what().
class ProcessStartError : public std::runtime_error {
public:
    ProcessStartError(int errorNumber, const std::string& description)
        : std::runtime_error(description), m_errorNumber(errorNumber) {}

    int errorNumber() const { return m_errorNumber; }

private:
    int m_errorNumber;
};

// How a process that no longer runs came to its end.
enum class ProcessEnding {
    Exited,   // it ended itself, with its exit code
    Killed,   // something ended it from outside: a signal such as SIGKILL or SIGTERM
    Crashed,  // it failed at a fault: SIGSEGV, SIGABRT, or a Windows exception status
};

// What a look at a started process finds. Whether it runs is told apart
// from its code: a process may really end with 259, the code Windows reports
// for a process that is still active.
struct ProcessStatus {
    bool running = false;
    // The code it ended with, once it no longer runs; after a signal, 128
    // plus its number, as a shell reports it.
    std::uint32_t exitCode = 0;
    ProcessEnding ending = ProcessEnding::Exited;
    // What killed it or made it crash, in the system's terms ("SIGKILL",
    // "access violation"); empty when it exited.
    std::string cause{};

    bool operator==(const ProcessStatus&) const = default;
};

// How a Windows process ended that returned this code: an exception status
// (0xC0000005 and the like) is a crash, or a stop by Ctrl+C, with its name;
// any other code is an exit. Plain numbers, so every platform can tell.
ProcessStatus WindowsProcessEnd(std::uint32_t exitCode);

// Starting other programs and watching them end.
class Processes {
public:
    virtual ~Processes() = default;

    // Starts the command line as a new process and returns at once with its
    // id. Throws ProcessStartError when the program cannot be started. The
    // process's standard error goes to a temporary file of its own, not a
    // pipe: the process can never block on it, nor fail on it when this
    // program ends first; readErrorOutput reads it back. The file goes to the
    // first of ErrorFileFolders (the environment's temporary folder, the
    // spare folder, the system's) that takes it; when none does, the
    // process's standard error goes nowhere and readErrorOutput says why.
    virtual ProcessId start(const std::string& commandLine, int windowMode,
                            const std::string& spareFolder) = 0;
    // A handle for querying the process; kNoProcessHandle when the process
    // cannot be opened, which then makes every query fail.
    virtual ProcessHandle open(ProcessId id) = 0;
    // Nothing when the query fails.
    virtual std::optional<ProcessStatus> status(ProcessHandle handle) = 0;
    // Reads into buffer up to size bytes of what the process has written to
    // its standard error so far, from the offset on; returns how many, 0 at
    // the end and for an invalid handle. Throws std::runtime_error with the
    // reason when its standard error was not kept or cannot be read.
    virtual std::size_t readErrorOutput(ProcessHandle handle, std::uint64_t offset, char* buffer,
                                        std::size_t size) = 0;
    // Releases the handle and the process's standard error file.
    virtual void close(ProcessHandle handle) = 0;
};

// The pause between two looks at a running process.
class Sleeper {
public:
    virtual ~Sleeper() = default;

    virtual void sleep(int milliseconds) = 0;
};

}  // namespace orlenda::platform
