#include "page_capture.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "base64.h"
#include "exit_code.h"

namespace orlenda::iecapt {
namespace {

using nlohmann::json;
using Clock = Deadline::Clock;

// How long the network must stay idle to count as quiet, and the longest we
// wait for that: a page that polls or streams never goes quiet.
constexpr auto kQuietPeriod = std::chrono::milliseconds(50);
constexpr auto kQuietLimit = std::chrono::seconds(3);

// Scrolls down a screen at a time, a frame apart, so that content loaded on
// scrolling (native lazy images, observers) is asked for, then back to the top,
// and waits (bounded) for web fonts. Guards against frames that never come.
constexpr const char* kSettleScript = R"((async (scrollThrough, limit) => {
  const nextFrame = () => new Promise(resolve => {
    requestAnimationFrame(() => setTimeout(resolve, 0));
    setTimeout(resolve, 100);
  });
  if (scrollThrough) {
    const step = Math.max(window.innerHeight, 1);
    const height = () => Math.min(limit, Math.max(document.documentElement.scrollHeight,
                                                  document.body ? document.body.scrollHeight : 0));
    for (let y = step; y < height(); y += step) {
      window.scrollTo(0, y);
      await nextFrame();
    }
    if (window.scrollY !== 0) {
      window.scrollTo(0, 0);
      await nextFrame();
    }
  }
  if (document.fonts) {
    await Promise.race([document.fonts.ready, new Promise(resolve => setTimeout(resolve, 2000))]);
  }
  return true;
}))";

// Follows the page's events: which documents have loaded, what the network is
// doing, the main document's HTTP status; and answers its dialogs.
class PageWatch {
public:
    PageWatch(DevToolsSession& session, std::string sessionId)
        : m_session(session), m_sessionId(std::move(sessionId)) {}

    void handle(const json& event);

    // The main frame's document: the navigation's, or the one it led to.
    void expectDocument(const std::string& loaderId) {
        if (m_mainLoader.empty()) m_mainLoader = loaderId;
    }
    bool loaded() const { return m_loadedLoaders.count(m_mainLoader) > 0; }
    bool crashed() const { return m_crashed; }
    // Nothing in flight since the quiet period, or when that will be.
    bool quietBy(Clock::time_point& quietAt) const {
        quietAt = m_lastNetworkActivity + kQuietPeriod;
        return m_requestsInFlight.empty();
    }
    std::pair<int, std::string> documentStatus() const {
        const auto found = m_documentStatus.find(m_mainLoader);
        return found == m_documentStatus.end() ? std::pair<int, std::string>{0, {}} : found->second;
    }

private:
    void noteNetworkActivity() { m_lastNetworkActivity = Clock::now(); }

    DevToolsSession& m_session;
    std::string m_sessionId;
    std::string m_mainLoader;
    std::set<std::string> m_loadedLoaders;
    std::set<std::string> m_requestsInFlight;
    Clock::time_point m_lastNetworkActivity = Clock::now();
    std::map<std::string, std::pair<int, std::string>> m_documentStatus;
    bool m_crashed = false;
};

void PageWatch::handle(const json& event) {
    if (event.value("sessionId", std::string()) != m_sessionId) return;
    const std::string method = event.value("method", std::string());
    const json& params = event.contains("params") ? event["params"] : json::object();
    if (method == "Page.lifecycleEvent") {
        if (params.value("name", std::string()) == "load") {
            const std::string loaderId = params.value("loaderId", std::string());
            m_loadedLoaders.insert(loaderId);
            // A loaded document has arrived, even when no event said so
            // (a navigation's request has the id of its loader).
            m_requestsInFlight.erase(loaderId);
        }
    } else if (method == "Page.frameNavigated") {
        const json& frame = params.value("frame", json::object());
        if (!frame.contains("parentId")) m_mainLoader = frame.value("loaderId", m_mainLoader);
    } else if (method == "Network.requestWillBeSent") {
        // Only the network counts: file:, data: and blob: requests do not
        // always report their end.
        const std::string url = params.value("request", json::object()).value("url", std::string());
        if (url.rfind("http:", 0) == 0 || url.rfind("https:", 0) == 0) {
            m_requestsInFlight.insert(params.value("requestId", std::string()));
            noteNetworkActivity();
        }
    } else if (method == "Network.loadingFinished" || method == "Network.loadingFailed") {
        m_requestsInFlight.erase(params.value("requestId", std::string()));
        noteNetworkActivity();
    } else if (method == "Network.responseReceived" &&
               params.value("type", std::string()) == "Document") {
        const json& response = params.value("response", json::object());
        m_documentStatus[params.value("loaderId", std::string())] = {
            response.value("status", 0), response.value("statusText", std::string())};
    } else if (method == "Page.javascriptDialogOpening") {
        // An open dialog stalls the page: dismiss it, but let a page be left.
        const bool leaving = params.value("type", std::string()) == "beforeunload";
        m_session.post("Page.handleJavaScriptDialog", {{"accept", leaving}}, m_sessionId);
    } else if (method == "Inspector.targetCrashed") {
        m_crashed = true;
    }
}

class PageCapture {
public:
    PageCapture(DevToolsSession& session, const CaptureOptions& options, Deadline deadline)
        : m_session(session), m_options(options), m_deadline(deadline) {}

    CapturedPage run(const std::string& url, Timings& timings);

private:
    void notePageSession(const json& event);
    void navigate(const std::string& url, const std::string& userAgent);
    void waitFor(const std::function<bool()>& condition, Deadline deadline,
                 const std::string& activity);
    void waitForLoad();
    void waitForQuietNetwork();
    void settle();
    std::string takePicture();
    void failIfCrashed() const;

    DevToolsSession& m_session;
    const CaptureOptions& m_options;
    Deadline m_deadline;
    std::string m_sessionId;
    std::unique_ptr<PageWatch> m_watch;
    bool m_sameDocument = false;
};

CapturedPage PageCapture::run(const std::string& url, Timings& timings) {
    m_session.setActivity("starting up");
    const int version = m_session.post("Browser.getVersion", json::object());
    // Attaching as the browser announces its page saves a round trip.
    m_session.setEventHandler([this](const json& event) { notePageSession(event); });
    const int attach = m_session.post(
        "Target.setAutoAttach",
        {{"autoAttach", true}, {"waitForDebuggerOnStart", false}, {"flatten", true}});
    const json versionReply = m_session.replyTo(version, m_deadline);
    timings.endPhase("start");

    m_session.setActivity("opening a page");
    // A refused set-up fails at once, not as a time-out later.
    m_session.resultOf("Target.setAutoAttach", attach, m_deadline);
    if (m_sessionId.empty()) {
        // No page yet: make one, which attaches the same way.
        m_session.call("Target.createTarget", {{"url", "about:blank"}}, m_deadline);
    }
    waitFor([this] { return !m_sessionId.empty(); }, m_deadline, "opening a page");
    m_watch = std::make_unique<PageWatch>(m_session, m_sessionId);
    m_session.setEventHandler([this](const json& event) { m_watch->handle(event); });

    std::string userAgent = m_options.userAgent;
    if (userAgent.empty()) {
        // Some sites turn away a browser that calls itself headless.
        userAgent = versionReply.value("result", json::object()).value("userAgent", std::string());
        if (const auto headless = userAgent.find("HeadlessChrome"); headless != std::string::npos) {
            userAgent.erase(headless, std::string_view("Headless").size());
        }
    }
    navigate(url, userAgent);
    timings.endPhase("navigate");

    waitForLoad();
    timings.endPhase("load");
    settle();
    timings.endPhase("settle");

    CapturedPage page;
    page.jpeg = takePicture();
    std::tie(page.httpStatus, page.httpStatusText) = m_watch->documentStatus();
    timings.endPhase("capture");
    return page;
}

void PageCapture::notePageSession(const json& event) {
    if (!m_sessionId.empty() || event.value("method", std::string()) != "Target.attachedToTarget") {
        return;
    }
    const json& params = event.value("params", json::object());
    if (params.value("targetInfo", json::object()).value("type", std::string()) == "page") {
        m_sessionId = params.value("sessionId", std::string());
    }
}

void PageCapture::navigate(const std::string& url, const std::string& userAgent) {
    // Sent in one go: the browser runs them in order, we check every reply after.
    std::vector<std::pair<std::string, int>> setup;
    const auto onPage = [&](const std::string& method, const json& params) {
        setup.emplace_back(method, m_session.post(method, params, m_sessionId));
    };
    setup.emplace_back("Browser.setDownloadBehavior",
                       m_session.post("Browser.setDownloadBehavior", {{"behavior", "deny"}}));
    onPage("Inspector.enable", json::object());
    onPage("Page.enable", json::object());
    onPage("Page.setLifecycleEventsEnabled", {{"enabled", true}});
    onPage("Network.enable", json::object());
    onPage("Emulation.setDeviceMetricsOverride", {{"width", m_options.width},
                                                  {"height", m_options.height},
                                                  {"deviceScaleFactor", 1},
                                                  {"mobile", false}});
    if (!userAgent.empty()) onPage("Emulation.setUserAgentOverride", {{"userAgent", userAgent}});
    if (m_options.ignoreCertificateErrors) {
        onPage("Security.setIgnoreCertificateErrors", {{"ignore", true}});
    }
    const int navigation = m_session.post("Page.navigate", {{"url", url}}, m_sessionId);
    for (const auto& [method, id] : setup) m_session.resultOf(method, id, m_deadline);

    m_session.setActivity("loading the page");
    const json reply = m_session.replyTo(navigation, m_deadline);
    if (reply.contains("error")) {
        throw CaptureFailure(ExitCode::PageNotLoaded,
                             "cannot open " + url + ": " + protocolErrorText(reply));
    }
    const json result = reply.value("result", json::object());
    const std::string errorText = result.value("errorText", std::string());
    // An HTTP error without a body still shows a page, the browser's own:
    // captured like any page the server sent with an error status.
    if (!errorText.empty() && errorText != "net::ERR_HTTP_RESPONSE_CODE_FAILURE") {
        throw CaptureFailure(ExitCode::PageNotLoaded, "could not load " + url + ": " + errorText);
    }
    const std::string loaderId = result.value("loaderId", std::string());
    m_sameDocument = loaderId.empty();  // only a #fragment changed: nothing more will load
    m_watch->expectDocument(loaderId);
}

void PageCapture::waitFor(const std::function<bool()>& condition, Deadline deadline,
                          const std::string& activity) {
    if (!m_session.waitUntil(condition, deadline)) {
        throw CaptureFailure(ExitCode::TimedOut, "timed out while " + activity);
    }
}

void PageCapture::waitForLoad() {
    if (m_sameDocument) return;
    waitFor([this] { return m_watch->loaded() || m_watch->crashed(); }, m_deadline,
            "waiting for the page to load");
    failIfCrashed();
}

void PageCapture::waitForQuietNetwork() {
    const Deadline limit = Deadline::after(kQuietLimit).orSooner(m_deadline);
    for (;;) {
        Clock::time_point quietAt;
        const bool idle = m_watch->quietBy(quietAt);
        if (idle && Clock::now() >= quietAt) return;
        if (limit.expired()) break;
        m_session.handleNextMessage(idle ? Deadline(quietAt).orSooner(limit) : limit);
    }
    if (m_deadline.expired()) {
        throw CaptureFailure(ExitCode::TimedOut,
                             "timed out while waiting for the network to go quiet");
    }
}

void PageCapture::settle() {
    const std::string script = std::string(kSettleScript) + "(" +
                               (m_options.fullPage ? "true" : "false") + ", " +
                               std::to_string(kMaxCaptureHeight) + ")";
    const int scrolled = m_session.post(
        "Runtime.evaluate",
        {{"expression", script}, {"awaitPromise", true}, {"returnByValue", true}}, m_sessionId);
    // The scroll runs while we wait for the network to go quiet: what it asks
    // for is traffic like any other. A failing script does not stop the capture.
    m_session.setActivity("waiting for the page to settle");
    waitForQuietNetwork();
    m_session.replyTo(scrolled, m_deadline);
    // Scrolling may have asked for more at the end, or a script moved on to
    // another page.
    waitForLoad();
    waitForQuietNetwork();
    if (m_options.delayMs > 0) {
        const Deadline delayEnd =
            Deadline::after(std::chrono::milliseconds(m_options.delayMs)).orSooner(m_deadline);
        while (m_session.handleNextMessage(delayEnd)) {
        }
        if (m_deadline.expired()) {
            throw CaptureFailure(ExitCode::TimedOut, "timed out while waiting the --delay");
        }
    }
    failIfCrashed();
}

std::string PageCapture::takePicture() {
    m_session.setActivity("capturing the page");
    int height = m_options.height;
    if (m_options.fullPage) {
        const json metrics =
            m_session.call("Page.getLayoutMetrics", json::object(), m_deadline, m_sessionId);
        const double content = metrics.value("cssContentSize", json::object()).value("height", 0.0);
        height =
            std::clamp(static_cast<int>(std::ceil(content)), m_options.height, kMaxCaptureHeight);
    }
    const json clip = {
        {"x", 0}, {"y", 0}, {"width", m_options.width}, {"height", height}, {"scale", 1}};
    const json shot = m_session.call("Page.captureScreenshot",
                                     {{"format", "jpeg"},
                                      {"quality", m_options.quality},
                                      {"clip", clip},
                                      {"captureBeyondViewport", m_options.fullPage},
                                      {"fromSurface", true}},
                                     m_deadline, m_sessionId);
    std::string jpeg = decodeBase64(shot.value("data", std::string()));
    // Start and end markers of a JPEG: anything else is not an image to keep.
    const bool whole = jpeg.size() > 4 && jpeg.compare(0, 2, "\xFF\xD8") == 0 &&
                       jpeg.compare(jpeg.size() - 2, 2, "\xFF\xD9") == 0;
    if (!whole)
        throw CaptureFailure(ExitCode::BrowserFailed, "the browser sent no complete JPEG image");
    return jpeg;
}

void PageCapture::failIfCrashed() const {
    if (m_watch->crashed())
        throw CaptureFailure(ExitCode::BrowserFailed, "the page's renderer crashed");
}

}  // namespace

CapturedPage capturePage(DevToolsSession& session, const std::string& url,
                         const CaptureOptions& options, Deadline deadline, Timings& timings) {
    return PageCapture(session, options, deadline).run(url, timings);
}

}  // namespace orlenda::iecapt
