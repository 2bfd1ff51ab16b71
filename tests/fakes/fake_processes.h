#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/processes.h"

namespace orlenda::testing {

// How a started fake process behaves: it answers "still active" to this many
// exit-code queries, then its exit code; or every query fails.
struct FakeProcess {
    int runningQueries = 0;
    std::uint32_t exitCode = 0;
    bool queriesFail = false;
};

struct StartedCommand {
    std::string commandLine;
    int windowMode;
};

class FakeProcesses final : public platform::Processes {
public:
    platform::ProcessId start(const std::string& commandLine, int windowMode) override {
        started.push_back({commandLine, windowMode});
        if (startError != 0) throw platform::ProcessStartError(startError, "cannot start");
        FakeProcess process = usual;
        if (!script.empty()) {
            process = script.front();
            script.pop_front();
        }
        const platform::ProcessId id = static_cast<platform::ProcessId>(started.size());
        m_running.push_back(process);
        return id;
    }
    platform::ProcessHandle open(platform::ProcessId id) override {
        opened.push_back(id);
        return openFails ? 0 : id;
    }
    std::optional<std::uint32_t> exitCode(platform::ProcessHandle handle) override {
        ++queries;
        if (handle < 1 || handle > static_cast<platform::ProcessHandle>(m_running.size())) {
            return std::nullopt;
        }
        FakeProcess& process = m_running[static_cast<std::size_t>(handle - 1)];
        if (process.queriesFail) throw std::runtime_error("process lost");
        if (process.runningQueries > 0) {
            --process.runningQueries;
            return platform::kStillActive;
        }
        return process.exitCode;
    }
    void close(platform::ProcessHandle handle) override { closed.push_back(handle); }

    // Each start takes the next scripted process, then the usual one.
    std::deque<FakeProcess> script;
    FakeProcess usual;
    int startError = 0;  // every start fails with this number when not 0
    bool openFails = false;

    std::vector<StartedCommand> started;
    std::vector<platform::ProcessId> opened;
    std::vector<platform::ProcessHandle> closed;
    int queries = 0;

private:
    std::vector<FakeProcess> m_running;
};

class FakeSleeper final : public platform::Sleeper {
public:
    void sleep(int milliseconds) override {
        ++count;
        totalMilliseconds += milliseconds;
        if (onSleep) onSleep();
    }

    int count = 0;
    std::int64_t totalMilliseconds = 0;
    // Runs during every pause, as the user's events would.
    std::function<void()> onSleep;
};

}  // namespace orlenda::testing
