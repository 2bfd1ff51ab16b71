#pragma once

#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>

#include "common/deadline.h"
#include "common/exit_code.h"

namespace orlenda::iecapt {

// Follows the page's events: which documents have loaded, what the network is
// doing, where the main frame went and what it received; and answers its
// dialogs through the reply callback. Knows nothing of the pipe, so its rules
// can be tried with events alone.
class PageWatch {
public:
    using Clock = Deadline::Clock;
    // Sends a command to the page without waiting for its reply.
    using Reply = std::function<void(const std::string& method, const nlohmann::json& params)>;

    PageWatch(std::string sessionId, bool allowFileUrls, Reply reply)
        : m_sessionId(std::move(sessionId)),
          m_allowFileUrls(allowFileUrls),
          m_reply(std::move(reply)) {}

    void handle(const nlohmann::json& event, Clock::time_point now = Clock::now());

    // The document of the navigation the capture started, the one to wait
    // for; empty when only the #fragment changed. From here on, where the
    // main frame goes and what it receives is judged.
    void expectDocument(const std::string& loaderId);

    bool loaded() const { return m_loadedLoaders.count(m_mainLoader) > 0; }
    // DOMContentLoaded: the document is there, its sub-resources may not be.
    bool contentLoaded() const { return m_contentLoadedLoaders.count(m_mainLoader) > 0; }
    // Takes the main document as loaded though its load event did not come,
    // and stops waiting for the requests still open: they are not coming.
    // Returns how many there were.
    std::size_t giveUpOnLoading();

    // When something last moved on the network, and whether anything waits
    // for an answer.
    Clock::time_point lastNetworkActivity() const { return m_lastNetworkActivity; }
    bool requestsWaiting() const { return !m_requestsWaiting.empty(); }

    // Why the page cannot be captured: it went to the browser's error page or
    // to an address that is not a web page, or it is a PDF document.
    const std::optional<CaptureFailure>& failure() const { return m_failure; }
    bool crashed() const { return m_crashed; }

    struct DocumentResponse {
        int status = 0;  // 0 when not over HTTP
        std::string statusText;
        std::string mimeType;
        bool asksForLogin = false;  // a 401 or 407 with its challenge
    };
    DocumentResponse documentResponse() const;

private:
    void onFrameNavigated(const nlohmann::json& frame);
    void onResponse(const nlohmann::json& params);
    void judgeDocument();
    void fail(const std::string& message);

    std::string m_sessionId;
    bool m_allowFileUrls;
    Reply m_reply;
    bool m_judging = false;
    std::string m_mainLoader;
    std::set<std::string> m_loadedLoaders;
    std::set<std::string> m_contentLoadedLoaders;
    // Requests sent and not answered yet. One that has its response counts as
    // done: a worker's script, an event stream or a body nobody reads may stay
    // open for ever, and what still arrives is activity like any other.
    std::set<std::string> m_requestsWaiting;
    Clock::time_point m_lastNetworkActivity = Clock::now();
    std::map<std::string, DocumentResponse> m_documentResponses;  // by loader
    std::map<std::string, std::string> m_documentErrors;          // by loader
    std::optional<CaptureFailure> m_failure;
    bool m_crashed = false;
};

}  // namespace orlenda::iecapt
