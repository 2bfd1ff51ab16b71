#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace orlenda::iecapt::testing {

struct ToolResult {
    int exitCode = -1;  // when it exited
    int signal = 0;     // when a signal ended it
    std::string errorText;
    std::chrono::milliseconds elapsed{0};
};

// Runs build/bin/iecapt as the program does, with TMPDIR pointing into the
// test's own folder and a marker in its environment that every process it
// starts inherits, so the test can find what it left behind and nothing else.
class ToolRun {
public:
    ToolRun(const std::vector<std::string>& arguments, const std::string& tempFolder,
            const std::string& marker, const std::string& errorPath);
    ~ToolRun();
    ToolRun(const ToolRun&) = delete;
    ToolRun& operator=(const ToolRun&) = delete;

    pid_t pid() const { return m_pid; }
    // Waits for the tool, killing it after the limit (a failing test, then).
    ToolResult wait(std::chrono::seconds limit = std::chrono::seconds(120));

private:
    pid_t m_pid = -1;
    std::string m_errorPath;
    std::chrono::steady_clock::time_point m_started;
};

// Processes, other than zombies, whose environment holds the marker.
std::vector<pid_t> processesWithMarker(const std::string& marker);

// Waits, bounded, until no process holds the marker; true if none does.
bool noProcessesWithMarker(const std::string& marker, std::chrono::milliseconds limit);

// Waits, bounded, until a process other than `except` holds the marker.
bool waitForProcessWithMarker(const std::string& marker, pid_t except,
                              std::chrono::milliseconds limit);

}  // namespace orlenda::iecapt::testing
