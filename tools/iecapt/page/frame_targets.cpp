#include "page/frame_targets.h"

namespace orlenda::iecapt {

using nlohmann::json;

void FrameTargets::handle(const json& event) {
    const std::string method = event.value("method", std::string());
    const std::string parent = event.value("sessionId", std::string());
    if (parent != m_pageSession && !m_frames.contains(parent)) return;
    const json& params = event.value("params", json::object());
    const std::string child = params.value("sessionId", std::string());
    if (method == "Target.attachedToTarget" && !child.empty() &&
        params.value("targetInfo", json::object()).value("type", std::string()) != "iframe") {
        m_session.post("Runtime.runIfWaitingForDebugger", json::object(), child,
                       [](const json&) {});
    } else if (method == "Target.attachedToTarget" && !child.empty()) {
        m_frames.insert(child);
        m_changed(child, true);
        // Sent in one go without waiting: the browser runs them in order, the
        // frame's own script last.
        for (const SetupCommand& command : m_setup) {
            m_session.post(command.method, command.params, child, [](const json&) {});
        }
    } else if (method == "Target.detachedFromTarget" && m_frames.erase(child) > 0) {
        m_changed(child, false);
    }
}

}  // namespace orlenda::iecapt
