#include "timings.h"

namespace orlenda::iecapt {
namespace {

std::string milliseconds(std::chrono::steady_clock::duration span) {
    return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(span).count()) +
           " ms";
}

}  // namespace

void Timings::endPhase(std::string name) {
    const auto now = Clock::now();
    m_phases.emplace_back(std::move(name), now - m_last);
    m_last = now;
}

std::string Timings::summary() const {
    std::string text;
    for (const auto& [name, span] : m_phases) text += name + " " + milliseconds(span) + ", ";
    return text + "total " + milliseconds(m_last - m_started);
}

}  // namespace orlenda::iecapt
