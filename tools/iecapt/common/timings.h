#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace orlenda::iecapt {

// How long each phase of a capture took, for --timings.
class Timings {
public:
    Timings() : m_started(Clock::now()), m_current(m_started) {}

    // Ends the phase under way, if any, and starts this one.
    void begin(std::string name);
    // "start 452 ms, load 120 ms, ..., total 809 ms", up to now: the phase
    // under way counts too, so a capture that timed out adds up.
    std::string summary() const;

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point m_started;
    Clock::time_point m_current;  // when the phase under way began
    std::string m_currentName;
    std::vector<std::pair<std::string, Clock::duration>> m_phases;
};

}  // namespace orlenda::iecapt
