#pragma once

#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "common/deadline.h"
#include "protocol/devtools_session.h"

namespace orlenda::iecapt {

// The tool's own world in every document of the page, its frames' too (in
// the page's target or in frames' targets of their own): made, and set up
// with the given script, as soon as the browser reports the document, so
// the consent rules start with the page. It shares the document's DOM but
// none of its JavaScript: what runs there cannot be read, replaced or broken
// by the page.
class ToolWorld {
public:
    ToolWorld(DevToolsSession& session, std::string pageSession, std::string setup)
        : m_session(session), m_pageSession(std::move(pageSession)), m_setup(std::move(setup)) {}

    // Page.frameNavigated: a new document in a frame; Page.frameDetached and
    // Target.detachedFromTarget: frames gone.
    void handle(const nlohmann::json& event);

    // Waits until the world of the main frame's document is set up; false
    // when it was not by the deadline.
    bool waitForWorld(Deadline deadline);

    // Runs the script in that world and returns its value; an empty object
    // when there is no world yet, the document went away meanwhile or the
    // script failed.
    nlohmann::json evaluate(const std::string& script, bool awaitPromise, Deadline deadline);

    // Runs the script in the world of every frame of the page but the main
    // one, all at once, and returns the values that came back by the
    // deadline, in no order.
    std::vector<nlohmann::json> evaluateInFrames(const std::string& script, Deadline deadline);

private:
    void setUp(const std::string& frameId, const std::string& session, bool mainFrame);

    DevToolsSession& m_session;
    std::string m_pageSession;
    std::string m_setup;
    int m_mainDocument = 0;  // counts the main frame's documents
    std::optional<int> m_mainContext;
    struct FrameWorld {
        std::string session;
        int document = 0;  // counts the frame's documents, as for the main one
        std::optional<int> context;
    };
    std::map<std::string, FrameWorld> m_frames;  // by frame
};

}  // namespace orlenda::iecapt
