#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/processes.h"

namespace orlenda::testing {

// A started fake process answers "running" to this many status queries,
// then that it ended with its exit code, or was killed or crashed; or every
// query fails. Its standard error holds the given text, or was lost so.
struct FakeProcess {
    int runningQueries = 0;
    std::uint32_t exitCode = 0;
    bool queriesFail = false;
    std::string errorOutput = {};
    std::string errorOutputLost = {};
    platform::ProcessEnding ending = platform::ProcessEnding::Exited;
    std::string cause = {};
    int unansweredQueries = 0;  // queries that find nothing, before the others
};

// Ids and handles are 1, 2, ... in the order of the starts.
class FakeProcesses final : public platform::Processes {
public:
    platform::ProcessId start(const std::string& commandLine, int windowMode,
                              const std::string& spareFolder) override {
        started.push_back(commandLine);
        lastWindowMode = windowMode;
        lastSpareFolder = spareFolder;
        if (startError != 0) throw platform::ProcessStartError(startError, startFailure);
        m_running.push_back(script.empty() ? FakeProcess{} : script.front());
        if (!script.empty()) script.pop_front();
        if (onStart) onStart(commandLine);
        return std::ssize(m_running);
    }
    platform::ProcessHandle open(platform::ProcessId id) override { return openFails ? 0 : id; }
    std::optional<platform::ProcessStatus> status(platform::ProcessHandle handle) override {
        if (handle < 1 || handle > std::ssize(m_running)) return std::nullopt;
        FakeProcess& process = m_running[static_cast<std::size_t>(handle - 1)];
        if (process.queriesFail) throw std::runtime_error("process lost");
        if (process.unansweredQueries > 0) {
            --process.unansweredQueries;
            return std::nullopt;
        }
        if (process.runningQueries == 0) {
            return platform::ProcessStatus{
                .exitCode = process.exitCode, .ending = process.ending, .cause = process.cause};
        }
        --process.runningQueries;
        return platform::ProcessStatus{.running = true};
    }
    std::size_t readErrorOutput(platform::ProcessHandle handle, std::uint64_t offset, char* buffer,
                                std::size_t size) override {
        if (handle < 1 || handle > std::ssize(m_running)) return 0;
        const FakeProcess& process = m_running[static_cast<std::size_t>(handle - 1)];
        if (!process.errorOutputLost.empty()) throw std::runtime_error(process.errorOutputLost);
        const std::string& output = process.errorOutput;
        const std::size_t from = std::min<std::size_t>(offset, output.size());
        return output.copy(buffer, std::min(size, readSize), from);
    }
    void close(platform::ProcessHandle handle) override { closed.push_back(handle); }

    std::deque<FakeProcess> script;  // one per start; a default one when used up
    int startError = 0;              // every start fails with this number when not 0
    std::string startFailure = "No such file or directory";
    std::function<void(const std::string&)> onStart;  // runs with each command line started
    bool openFails = false;
    std::vector<std::string> started;  // command lines
    int lastWindowMode = -1;
    std::string lastSpareFolder;
    std::size_t readSize = 7;  // the most a read of standard error gives, so lines straddle reads
    std::vector<platform::ProcessHandle> closed;

private:
    std::vector<FakeProcess> m_running;
};

class FakeSleeper final : public platform::Sleeper {
public:
    void sleep(int milliseconds) override {
        pauses.push_back(milliseconds);
        if (onSleep) onSleep();
    }

    std::vector<int> pauses;
    std::function<void()> onSleep;  // runs during every pause, as the user's events would
};

}  // namespace orlenda::testing
