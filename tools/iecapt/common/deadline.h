#pragma once

#include <algorithm>
#include <chrono>
#include <climits>

namespace orlenda::iecapt {

// A point in time after which a wait gives up. Every wait on the browser
// takes one, so nothing the page or the browser does can stall the tool.
class Deadline {
public:
    using Clock = std::chrono::steady_clock;

    explicit Deadline(Clock::time_point at) : m_at(at) {}

    static Deadline after(std::chrono::milliseconds span) { return Deadline(Clock::now() + span); }

    bool expired() const { return Clock::now() >= m_at; }
    Clock::time_point at() const { return m_at; }

    // The earlier of the two.
    Deadline orSooner(Deadline other) const { return Deadline(std::min(m_at, other.m_at)); }

    // What is left, in whole milliseconds rounded up, as poll() takes it.
    int pollTimeout() const {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_at - Clock::now()).count();
        return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
    }

private:
    Clock::time_point m_at;
};

}  // namespace orlenda::iecapt
