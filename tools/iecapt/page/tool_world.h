#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "common/deadline.h"
#include "protocol/devtools_session.h"

namespace orlenda::iecapt {

// The tool's own world in every document of the page: made, and set up with
// the given script, as soon as the browser reports the document, so the
// consent rules start with the page. It shares the page's DOM but none of its
// JavaScript: what runs there cannot be read, replaced or broken by the page.
class ToolWorld {
public:
    ToolWorld(DevToolsSession& session, std::string sessionId, std::string setup)
        : m_session(session), m_sessionId(std::move(sessionId)), m_setup(std::move(setup)) {}

    // Page.frameNavigated: a new document in a frame.
    void handle(const nlohmann::json& event);

    // Waits until the world of the main frame's document is set up; false
    // when it was not by the deadline.
    bool waitForWorld(Deadline deadline);

    // Runs the script in that world and returns its value; an empty object
    // when there is no world yet, the document went away meanwhile or the
    // script failed.
    nlohmann::json evaluate(const std::string& script, bool awaitPromise, Deadline deadline);

private:
    void setUp(const std::string& frameId, bool mainFrame);

    DevToolsSession& m_session;
    std::string m_sessionId;
    std::string m_setup;
    int m_mainDocument = 0;  // counts the main frame's documents
    std::optional<int> m_mainContext;
};

}  // namespace orlenda::iecapt
