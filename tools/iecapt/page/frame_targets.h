#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "page/document_setup.h"
#include "protocol/devtools_session.h"

namespace orlenda::iecapt {

// The page's frames that the browser runs in targets of their own (another
// site's, where it isolates sites). The page's session attaches to each as
// it is made, paused: each is set up as the page was, so the activity watch
// is there before its first script, then let go on. Whoever watches the page
// hears of each one attached and gone. The page's workers, attached and
// paused the same way, are let go on at once: the page's world watches them.
class FrameTargets {
public:
    using Changed = std::function<void(const std::string& sessionId, bool attached)>;

    FrameTargets(DevToolsSession& session, std::string pageSession, std::vector<SetupCommand> setup,
                 Changed changed)
        : m_session(session),
          m_pageSession(std::move(pageSession)),
          m_setup(std::move(setup)),
          m_changed(std::move(changed)) {}

    // Target.attachedToTarget and Target.detachedFromTarget on the page's
    // session or a frame's.
    void handle(const nlohmann::json& event);

private:
    DevToolsSession& m_session;
    std::string m_pageSession;
    std::vector<SetupCommand> m_setup;
    Changed m_changed;
    std::set<std::string> m_frames;  // by session
};

}  // namespace orlenda::iecapt
