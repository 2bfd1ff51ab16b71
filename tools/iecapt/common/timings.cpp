#include "common/timings.h"

namespace orlenda::iecapt {
namespace {

std::string milliseconds(std::chrono::steady_clock::duration span) {
    return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(span).count()) +
           " ms";
}

}  // namespace

void Timings::begin(std::string name) {
    const auto now = Clock::now();
    if (!m_currentName.empty()) m_phases.emplace_back(std::move(m_currentName), now - m_current);
    m_currentName = std::move(name);
    m_current = now;
}

std::string Timings::summary() const {
    const auto now = Clock::now();
    std::string text;
    for (const auto& [name, span] : m_phases) text += name + " " + milliseconds(span) + ", ";
    if (!m_currentName.empty()) text += m_currentName + " " + milliseconds(now - m_current) + ", ";
    return text + "total " + milliseconds(now - m_started);
}

}  // namespace orlenda::iecapt
