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

}  // namespace orlenda::iecapt::testing
