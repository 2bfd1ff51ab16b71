#include "page/page_watch.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "common/message_text.h"
#include "options/address.h"

namespace orlenda::iecapt {

using nlohmann::json;

namespace {

// An address as a Fetch pattern matches it and nothing else.
std::string literally(std::string_view url) {
    std::string pattern;
    for (const char c : url) {
        if (c == '*' || c == '?' || c == '\\') pattern += '\\';
        pattern += c;
    }
    return pattern;
}

void addOnce(std::vector<std::string>& list, std::string item) {
    if (std::ranges::find(list, item) == list.end()) list.push_back(std::move(item));
}

// A 401 or 407 that carries its challenge: what the browser would ask a
// person to log in for.
bool asksForLogin(const json& response) {
    const int status = response.value("status", 0);
    const std::string_view challenge = status == 401   ? "www-authenticate"
                                       : status == 407 ? "proxy-authenticate"
                                                       : "";
    if (challenge.empty()) return false;
    const json& headers = response.value("headers", json::object());
    return std::ranges::any_of(headers.items(), [&](const auto& header) {
        return std::ranges::equal(header.key(), challenge, [](unsigned char a, unsigned char b) {
            return std::tolower(a) == b;
        });
    });
}

}  // namespace

void PageWatch::handle(const json& event, Clock::time_point now) {
    const std::string session = event.value("sessionId", std::string());
    const bool page = session == m_sessionId;
    if (!page && !m_frameSessions.contains(session)) return;
    const std::string method = event.value("method", std::string());
    const json& params = event.contains("params") ? event["params"] : json::object();
    if (method.starts_with("Network.")) {
        onNetwork(method, params, now);
    } else if (method == "Page.javascriptDialogOpening") {
        // An open dialog stalls the page: dismiss it, but let a page be left.
        const bool leaving = params.value("type", std::string()) == "beforeunload";
        m_reply("Page.handleJavaScriptDialog", {{"accept", leaving}}, session);
    }
    if (!page) return;
    const std::string requestId = params.value("requestId", std::string());
    if (method == "Page.lifecycleEvent") {
        const std::string name = params.value("name", std::string());
        const std::string loaderId = params.value("loaderId", std::string());
        if (name == "DOMContentLoaded") m_contentLoadedLoaders.insert(loaderId);
        if (name == "load") {
            m_loadedLoaders.insert(loaderId);
            // A loaded document has arrived, even when no event said so
            // (a navigation's request has the id of its loader).
            m_requestsWaiting.erase(loaderId);
        }
    } else if (method == "Page.frameNavigated") {
        if (!params.value("frame", json::object()).contains("parentId")) m_lastDocument = now;
        onFrameNavigated(params.value("frame", json::object()));
    } else if (method == "Page.frameScheduledNavigation") {
        onScheduledNavigation(params, now);
    } else if (method == "Page.frameClearedScheduledNavigation") {
        if (params.value("frameId", std::string()) == m_mainFrame) m_refresh.reset();
    } else if (method == "Page.frameStartedLoading" || method == "Page.frameStoppedLoading") {
        if (params.value("frameId", std::string()) == m_mainFrame) {
            m_mainFrameLoading = method == "Page.frameStartedLoading";
        }
    } else if (method == "Fetch.requestPaused") {
        // Only the requests given up on are held: they fail as a host that
        // never answers does in the end. A document asked for once the page
        // is held still is called off, which leaves the page where it is.
        const bool navigation =
            m_holdingStill && params.value("resourceType", std::string()) == "Document";
        m_reply("Fetch.failRequest",
                {{"requestId", requestId}, {"errorReason", navigation ? "Aborted" : "TimedOut"}},
                m_sessionId);
    } else if (method == "Inspector.targetCrashed") {
        m_crashed = true;
    }
}

void PageWatch::onNetwork(const std::string& method, const json& params, Clock::time_point now) {
    const std::string requestId = params.value("requestId", std::string());
    if (method == "Network.requestWillBeSent") {
        // Only the network counts: file:, data: and blob: requests do not
        // always report their end. The browser's own look for a site icon is
        // not the page's, and may hang where the page does not.
        const std::string url = params.value("request", json::object()).value("url", std::string());
        const bool siteIcon =
            params.value("type", std::string()) == "Other" && url.ends_with("/favicon.ico");
        if ((url.starts_with("http:") || url.starts_with("https:")) && !siteIcon) {
            const std::string type = params.value("type", std::string());
            m_requestsWaiting[requestId] = {
                url, type == "XHR" || type == "Fetch" || type == "EventSource" || type == "Ping"};
            m_lastNetworkActivity = now;
        } else if (siteIcon) {
            m_notThePages.insert(requestId);
        }
    } else if (m_notThePages.contains(requestId)) {
        // Its answer arriving is not the page loading.
        if (method == "Network.loadingFinished" || method == "Network.loadingFailed") {
            m_notThePages.erase(requestId);
        }
    } else if (method == "Network.responseReceived") {
        m_requestsWaiting.erase(requestId);
        m_lastNetworkActivity = now;
        onResponse(params);
    } else if (method == "Network.responseReceivedExtraInfo") {
        // The only sign of some answers, a worker's script among them. A
        // redirect is not an answer: the request goes on.
        const int status = params.value("statusCode", 0);
        if (status < 300 || status >= 400 || status == 304) m_requestsWaiting.erase(requestId);
        m_lastNetworkActivity = now;
    } else if (method == "Network.dataReceived") {
        m_lastNetworkActivity = now;
    } else if (method == "Network.loadingFinished" || method == "Network.loadingFailed") {
        m_requestsWaiting.erase(requestId);
        m_lastNetworkActivity = now;
        if (method == "Network.loadingFailed" &&
            params.value("type", std::string()) == "Document") {
            m_documentErrors[requestId] = params.value("errorText", std::string());
        }
    }
}

void PageWatch::onScheduledNavigation(const json& params, Clock::time_point now) {
    const std::string reason = params.value("reason", std::string());
    const std::string url = params.value("url", std::string());
    // A refresh to the page itself shows the same page again.
    if (params.value("frameId", std::string()) != m_mainFrame ||
        (reason != "metaTagRefresh" && reason != "httpHeaderRefresh") || url == m_pageUrl) {
        return;
    }
    const double seconds = std::clamp(params.value("delay", 0.0), 0.0, 1e6);
    m_refresh = Refresh{now + std::chrono::milliseconds(std::llround(seconds * 1000)), url};
}

void PageWatch::expectDocument(const std::string& loaderId) {
    if (!loaderId.empty()) m_mainLoader = loaderId;
    m_judging = true;
    judgeDocument();
}

void PageWatch::giveUpOnLoading() {
    m_requestsWaiting.clear();
    m_loadedLoaders.insert(m_mainLoader);
}

void PageWatch::expectReload() {
    m_mainLoader.clear();
    m_requestsWaiting.clear();
}

std::vector<std::string> PageWatch::unansweredResources() const {
    std::vector<std::string> urls;
    for (const auto& [id, waiting] : m_requestsWaiting) {
        // A navigation's request has the id of its loader.
        if (!waiting.scriptsCall && id != m_mainLoader) urls.push_back(waiting.url);
    }
    return urls;
}

PageWatch::DocumentResponse PageWatch::documentResponse() const {
    const auto found = m_documentResponses.find(m_mainLoader);
    return found == m_documentResponses.end() ? DocumentResponse{} : found->second;
}

void PageWatch::onFrameNavigated(const json& frame) {
    if (frame.contains("parentId")) {
        if (frame.value("url", std::string()).starts_with("chrome-error:")) {
            m_failedFrameHosts.insert(hostOf(frame.value("unreachableUrl", std::string())));
        }
        return;
    }
    m_mainFrame = frame.value("id", std::string());
    m_refresh.reset();
    m_mainLoader = frame.value("loaderId", m_mainLoader);
    if (!m_judging) return;  // the blank page the browser opened with
    const std::string pageUrl = frame.value("url", std::string());
    m_pageUrl = pageUrl;
    // Whoever started it, a main frame that ends on the browser's error page
    // or somewhere that is not a web page has no page to show. An error
    // status the server sent without a body is shown on that page too, but
    // the server did answer: captured as sent, like any error status.
    const auto response = m_documentResponses.find(m_mainLoader);
    const bool serverAnswered =
        response != m_documentResponses.end() && response->second.status >= 400;
    if (pageUrl.starts_with("chrome-error:")) {
        if (serverAnswered) return;
        const auto error = m_documentErrors.find(m_mainLoader);
        fail(error != m_documentErrors.end()
                 ? describeLoadError(error->second)
                 : "the page could not be loaded (the browser showed its error page)");
    } else if (!isPageAddress(pageUrl, m_allowFileUrls)) {
        fail("the page went on to " + shortAddress(pageUrl) + ", which is not a web page");
    }
    judgeDocument();
}

void PageWatch::onResponse(const json& params) {
    if (params.value("type", std::string()) != "Document") return;
    const json& response = params.value("response", json::object());
    const std::string loaderId = params.value("loaderId", std::string());
    m_documentResponses[loaderId] = {
        response.value("status", 0), response.value("statusText", std::string()),
        response.value("mimeType", std::string()), asksForLogin(response)};
    if (m_judging && loaderId == m_mainLoader) judgeDocument();
}

void PageWatch::judgeDocument() {
    const auto found = m_documentResponses.find(m_mainLoader);
    // The browser shows a PDF in a viewer that a capture only sees as grey.
    if (found != m_documentResponses.end() && found->second.mimeType == "application/pdf") {
        fail("the address is a PDF document, not a web page");
    }
    // The full browser gives up on a login it cannot ask for; the headless
    // shell shows what came with the challenge. Either way it is no capture
    // of the site.
    if (found != m_documentResponses.end() && found->second.asksForLogin) {
        fail(describeHttpStatus(found->second.status, found->second.statusText));
    }
}

void PageWatch::fail(const std::string& message) {
    if (!m_failure) m_failure.emplace(ExitCode::PageNotLoaded, message);
}

GiveUp planGiveUp(std::string_view pageUrl, const std::vector<std::string>& unanswered) {
    GiveUp plan;
    const std::string pageOrigin = originOf(pageUrl);
    for (const std::string& url : unanswered) {
        const std::string origin = originOf(url);
        addOnce(plan.hosts, hostOf(url));
        addOnce(plan.patterns, origin == pageOrigin ? literally(url) : literally(origin) + "/*");
    }
    return plan;
}

}  // namespace orlenda::iecapt
