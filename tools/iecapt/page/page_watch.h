#pragma once

#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/deadline.h"
#include "common/exit_code.h"

namespace orlenda::iecapt {

// Follows the page's events: which documents have loaded, what the network is
// doing (its frames' in targets of their own too), where the main frame went
// and what it received, where it is to move on to by itself; and answers its
// dialogs, and the requests held to be failed, through the reply callback.
// Knows nothing of the pipe, so its rules can be tried with events alone.
class PageWatch {
public:
    using Clock = Deadline::Clock;
    // Sends a command to the page, or to one of its frames' targets, without
    // waiting for its reply.
    using Reply = std::function<void(const std::string& method, const nlohmann::json& params,
                                     const std::string& sessionId)>;

    PageWatch(std::string sessionId, bool allowFileUrls, Reply reply)
        : m_sessionId(std::move(sessionId)),
          m_allowFileUrls(allowFileUrls),
          m_reply(std::move(reply)) {}

    void handle(const nlohmann::json& event, Clock::time_point now = Clock::now());
    // A frame of the page in a target of its own (another site's, where the
    // browser isolates sites): its requests and dialogs are the page's too.
    void watchFrameTarget(const std::string& sessionId) { m_frameSessions.insert(sessionId); }
    void forgetFrameTarget(const std::string& sessionId) { m_frameSessions.erase(sessionId); }

    // The document of the navigation the capture started, the one to wait
    // for; empty when only the #fragment changed. From here on, where the
    // main frame goes and what it receives is judged.
    void expectDocument(const std::string& loaderId);

    bool loaded() const { return m_loadedLoaders.count(m_mainLoader) > 0; }
    // DOMContentLoaded: the document is there, its sub-resources may not be.
    bool contentLoaded() const { return m_contentLoadedLoaders.count(m_mainLoader) > 0; }
    // Takes the main document as loaded though its load event did not come,
    // and stops waiting for the requests still open: they are not coming.
    void giveUpOnLoading();
    // The addresses of the requests still waiting for their answer that may
    // hold up the page's loading: what it can be loaded again without. Its
    // own document is not one, nor what its scripts fetch.
    std::vector<std::string> unansweredResources() const;
    // The page is loaded again: the document to wait for is the next one the
    // main frame shows, and the old one's requests, which may never report
    // their end, no longer count.
    void expectReload();

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
    // Where the main frame is now, after every redirect and move.
    const std::string& pageUrl() const { return m_pageUrl; }
    // A refresh (a meta tag's or a header's) the page scheduled to another
    // address, as a reader who waits would see it happen.
    struct Refresh {
        Clock::time_point due;
        std::string url;
    };
    const std::optional<Refresh>& scheduledRefresh() const { return m_refresh; }
    // Whether the main frame is on its way to another document, or came to
    // one after the given time.
    bool movedSince(Clock::time_point since) const {
        return m_mainFrameLoading || m_lastDocument > since;
    }
    // The hosts whose frames ended on the browser's error page: they show
    // that page, not theirs.
    const std::set<std::string>& failedFrameHosts() const { return m_failedFrameHosts; }
    // From here on the page stays the document it is: a move to another one
    // is called off.
    void holdStill() { m_holdingStill = true; }

private:
    void onFrameNavigated(const nlohmann::json& frame);
    void onNetwork(const std::string& method, const nlohmann::json& params, Clock::time_point now);
    void onScheduledNavigation(const nlohmann::json& params, Clock::time_point now);
    void onResponse(const nlohmann::json& params);
    void judgeDocument();
    void fail(const std::string& message);

    std::string m_sessionId;
    std::set<std::string> m_frameSessions;
    bool m_allowFileUrls;
    Reply m_reply;
    bool m_judging = false;
    std::string m_mainLoader;
    std::string m_pageUrl;
    std::string m_mainFrame;
    std::optional<Refresh> m_refresh;
    std::set<std::string> m_failedFrameHosts;
    bool m_mainFrameLoading = false;
    Clock::time_point m_lastDocument;
    bool m_holdingStill = false;
    std::set<std::string> m_loadedLoaders;
    std::set<std::string> m_contentLoadedLoaders;
    // Requests sent and not answered yet. One that has its response counts as
    // done: a worker's script, an event stream or a body nobody reads may stay
    // open for ever, and what still arrives is activity like any other.
    struct Waiting {
        std::string url;
        bool scriptsCall;  // XHR, fetch(), an event source: never holds the load
    };
    std::map<std::string, Waiting> m_requestsWaiting;  // by request
    std::set<std::string> m_notThePages;  // the browser's own: their traffic is not the page's
    Clock::time_point m_lastNetworkActivity = Clock::now();
    std::map<std::string, DocumentResponse> m_documentResponses;  // by loader
    std::map<std::string, std::string> m_documentErrors;          // by loader
    std::optional<CaptureFailure> m_failure;
    bool m_crashed = false;
};

// What to give up on when requests hang: the hosts to name, and the Fetch
// patterns that fail their requests from then on. Another site's host is
// given up on whole, as one that hangs on a request hangs on the next; on
// the page's own origin only the addresses that hung, so the page still loads.
struct GiveUp {
    std::vector<std::string> hosts;     // each once, in the order first met
    std::vector<std::string> patterns;  // each once
};
GiveUp planGiveUp(std::string_view pageUrl, const std::vector<std::string>& unanswered);

}  // namespace orlenda::iecapt
