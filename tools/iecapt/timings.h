#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace orlenda::iecapt {

// How long each phase of a capture took, for --timings.
class Timings {
public:
    Timings() : m_started(Clock::now()), m_last(m_started) {}

    // Ends the current phase under this name.
    void endPhase(std::string name);
    // "start 452 ms, load 120 ms, ..., total 809 ms"
    std::string summary() const;

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point m_started;
    Clock::time_point m_last;
    std::vector<std::pair<std::string, Clock::duration>> m_phases;
};

}  // namespace orlenda::iecapt
