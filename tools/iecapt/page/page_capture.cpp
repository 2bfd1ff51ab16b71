#include "page/page_capture.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "common/exit_code.h"
#include "common/message_text.h"
#include "page/document_setup.h"
#include "page/frame_targets.h"
#include "page/page_scripts.h"
#include "page/page_watch.h"
#include "page/picture_motion.h"
#include "page/settle_decision.h"
#include "page/settle_facts.h"
#include "page/tool_world.h"
#include "page/user_agent.h"
#include "picture/image_join.h"
#include "picture/picture_plan.h"

namespace orlenda::iecapt {
namespace {

using nlohmann::json;
using Clock = Deadline::Clock;
using std::chrono::milliseconds;

// How long the last look at a consent banner may take.
constexpr milliseconds kBannerCheckTime{500};
// How long a look at the page's frames may take: a frame that does not
// answer by then is left out of that look.
constexpr milliseconds kFrameLookTime{500};
// A page that came to another document this recently, while settling, is
// still changing.
constexpr milliseconds kPageMovedRecently{1000};
// A box that runs past the window by no more than this is a rounding.
constexpr int kWidthSliver = 2;

class PageCapture {
public:
    PageCapture(DevToolsSession& session, const CaptureOptions& options,
                const std::string& consentRules, Deadline deadline, Timings& timings)
        : m_session(session),
          m_options(options),
          m_consentRules(consentRules),
          m_deadline(deadline),
          m_timings(timings),
          m_timeout(std::chrono::seconds(options.timeoutSeconds)) {}

    CapturedPage run(const std::string& url);

private:
    void beginPhase(const std::string& name, const std::string& activity);
    json startBrowser();
    void openPage();
    void closeOtherWindow(const json& event);
    void navigate(const std::string& url, const std::string& userAgent);
    void waitFor(const std::function<bool()>& condition, Deadline deadline);
    void waitForLoad();
    bool loadedWithin(milliseconds span);
    bool reloadWithout(const std::vector<std::string>& unanswered, int stallSeconds);
    bool broken() const;
    void settle();
    PageLook look(Deadline settleEnd);
    void warnGivenUp(const std::vector<Motion>& moving, const SettleFacts& facts);
    void warnOfRefreshLater();
    void waitTheDelay();
    void reportConsentBanner();
    void holdStill();
    BannerSight lookAtConsentBanner();
    std::string takePicture();
    void checkWholePicture(ContentSize& content);
    std::string screenshot(ImageFormat format, int top, int height);
    void failIfBroken() const;

    DevToolsSession& m_session;
    const CaptureOptions& m_options;
    const std::string& m_consentRules;
    Deadline m_deadline;
    Timings& m_timings;
    milliseconds m_timeout;
    std::string m_activity;
    std::string m_contextId;
    std::string m_targetId;
    std::string m_sessionId;
    const std::string m_channel = newActivityChannel();
    std::unique_ptr<PageWatch> m_watch;
    std::unique_ptr<ToolWorld> m_world;
    std::unique_ptr<FrameTargets> m_frameTargets;
    bool m_sameDocument = false;
    json m_failedPatterns = json::array();  // of the requests given up on, as Fetch takes them
    std::vector<std::string> m_warnings;
    std::vector<std::string> m_notes;
    Clock::time_point m_settleStart;
    // The consent rules' last word: where they stood, the banner's name,
    // and where a click of theirs would have taken the page.
    ConsentCheck m_consent = ConsentCheck::Off;
    std::string m_consentName;
    std::string m_consentLeftFor;
    ShotLimit m_shotLimit{};
};

CapturedPage PageCapture::run(const std::string& url) {
    // 1. Start: the browser, and what it can take in one shot.
    beginPhase("start", "starting the browser");
    const std::string browserAgent = startBrowser().value("userAgent", std::string());
    m_shotLimit = singleShotLimit(browserAgent);
    // 2. Navigate: a page watched from before its first script.
    beginPhase("navigate", "opening the page");
    openPage();
    navigate(url,
             m_options.userAgent.empty() ? desktopUserAgent(browserAgent) : m_options.userAgent);
    // 3. Load, giving up on what never answers.
    waitForLoad();
    // 4. Settle, wait the --delay, and say what became of a consent banner.
    beginPhase("settle", "waiting for the page to settle");
    settle();
    waitTheDelay();
    reportConsentBanner();
    warnOfRefreshLater();
    // 5. Capture the page, held still.
    beginPhase("capture", "capturing the page");
    holdStill();
    CapturedPage page;
    page.image = takePicture();
    const PageWatch::DocumentResponse response = m_watch->documentResponse();
    page.httpStatus = response.status;
    page.httpStatusText = response.statusText;
    page.warnings = std::move(m_warnings);
    page.notes = std::move(m_notes);
    return page;
}

void PageCapture::beginPhase(const std::string& name, const std::string& activity) {
    m_timings.begin(name);
    m_activity = activity;
    m_session.setActivity(activity);
}

json PageCapture::startBrowser() {
    // Sent in one go: the version, the windows the page may open, and a
    // context of the capture's own, which shares nothing with any other.
    const int version = m_session.post("Browser.getVersion", json::object());
    const int discover = m_session.post("Target.setDiscoverTargets", {{"discover", true}});
    const int context = m_session.post("Target.createBrowserContext", json::object());
    json reply = m_session.resultOf("Browser.getVersion", version, m_deadline);
    // A refused set-up fails at once, not as a time-out later.
    m_session.resultOf("Target.setDiscoverTargets", discover, m_deadline);
    m_contextId = m_session.resultOf("Target.createBrowserContext", context, m_deadline)
                      .value("browserContextId", std::string());
    return reply;
}

void PageCapture::openPage() {
    m_targetId = m_session
                     .call("Target.createTarget",
                           {{"url", "about:blank"}, {"browserContextId", m_contextId}}, m_deadline)
                     .value("targetId", std::string());
    m_sessionId = m_session
                      .call("Target.attachToTarget", {{"targetId", m_targetId}, {"flatten", true}},
                            m_deadline)
                      .value("sessionId", std::string());
    m_watch = std::make_unique<PageWatch>(
        m_sessionId, m_options.allowFileUrls,
        [this](const std::string& method, const json& params, const std::string& session) {
            m_session.post(method, params, session);
        });
    m_world = std::make_unique<ToolWorld>(m_session, m_sessionId,
                                          toolWorldScript(m_channel, m_consentRules));
    m_session.setEventHandler([this](const json& event) {
        closeOtherWindow(event);
        if (m_frameTargets) m_frameTargets->handle(event);
        m_watch->handle(event);
        m_world->handle(event);
    });
}

void PageCapture::closeOtherWindow(const json& event) {
    if (event.value("method", std::string()) != "Target.targetCreated") return;
    const json& target = event.value("params", json::object()).value("targetInfo", json::object());
    // The headless shell lets a page open windows without a click; the full
    // browser blocks them. Either way they only take time from the page.
    if (isOtherWindow(target, m_contextId, m_targetId)) {
        m_session.post("Target.closeTarget", {{"targetId", target.value("targetId", "")}});
    }
}

void PageCapture::navigate(const std::string& url, const std::string& userAgent) {
    // Sent in one go, the browser runs them in order; all answered before
    // the page is opened.
    std::vector<std::pair<std::string, int>> setup;
    const auto onPage = [&](const std::string& method, const json& params) {
        setup.emplace_back(method, m_session.post(method, params, m_sessionId));
    };
    setup.emplace_back("Browser.setDownloadBehavior",
                       m_session.post("Browser.setDownloadBehavior",
                                      {{"behavior", "deny"}, {"browserContextId", m_contextId}}));
    const DocumentSetup document = {.activityWatch = activityWatchScript(m_channel),
                                    .width = m_options.width,
                                    .height = m_options.height,
                                    .userAgent = userAgent,
                                    .cpuSlowdown = m_options.cpuSlowdown,
                                    .ignoreCertificateErrors = m_options.ignoreCertificateErrors};
    m_frameTargets =
        std::make_unique<FrameTargets>(m_session, m_sessionId, documentSetup(document, true),
                                       [this](const std::string& session, bool attached) {
                                           if (attached) m_watch->watchFrameTarget(session);
                                           if (!attached) m_watch->forgetFrameTarget(session);
                                       });
    for (const SetupCommand& command : documentSetup(document, false)) {
        onPage(command.method, command.params);
    }
    // The watch must be in place before the page's first script runs.
    for (const auto& [method, id] : setup) m_session.resultOf(method, id, m_deadline);
    const int navigation = m_session.post("Page.navigate", {{"url", url}}, m_sessionId);

    beginPhase("load", "loading the page");
    const json reply = m_session.replyTo(navigation, m_deadline);
    if (reply.contains("error")) {
        throw CaptureFailure(ExitCode::PageNotLoaded,
                             "the browser would not open the address: " + protocolErrorText(reply));
    }
    const json result = reply.value("result", json::object());
    const std::string errorText = result.value("errorText", std::string());
    const std::string loaderId = result.value("loaderId", std::string());
    // An HTTP error without a body still shows a page, the browser's own:
    // captured like any page the server sent with an error status.
    if (!errorText.empty() && errorText != "net::ERR_HTTP_RESPONSE_CODE_FAILURE") {
        // The headless shell has no PDF viewer and only downloads one: the
        // watch has seen its response and says what it is.
        m_watch->expectDocument(loaderId);
        failIfBroken();
        throw CaptureFailure(ExitCode::PageNotLoaded, describeLoadError(errorText));
    }
    m_sameDocument = loaderId.empty();  // only a #fragment changed: nothing more will load
    m_watch->expectDocument(loaderId);
    failIfBroken();
}

void PageCapture::waitFor(const std::function<bool()>& condition, Deadline deadline) {
    if (!m_session.waitUntil(condition, deadline)) {
        throw CaptureFailure(ExitCode::TimedOut, "timed out while " + m_activity);
    }
}

void PageCapture::waitForLoad() {
    if (m_sameDocument) return;
    const milliseconds stall = stallCutOff(m_timeout);
    const int stallSeconds = static_cast<int>(
        std::max<long long>(1, std::chrono::round<std::chrono::seconds>(stall).count()));
    if (loadedWithin(stall)) return;
    // A request once sent cannot be ended, and one that hangs holds up the
    // page, its parser too when it is a script: load the page again with
    // those requests failed, as a browser shows it once they have.
    if (reloadWithout(m_watch->unansweredResources(), stallSeconds) && loadedWithin(stall)) return;
    const std::vector<std::string> hangingHosts =
        planGiveUp(m_watch->pageUrl(), m_watch->unansweredResources()).hosts;
    if (!hangingHosts.empty() && !m_watch->contentLoaded()) {
        throw CaptureFailure(ExitCode::PageNotLoaded,
                             notLoadedForHostsReason(hangingHosts, stallSeconds));
    }
    // The document is still coming, or some of what it asked for: capture
    // what it shows rather than nothing.
    waitFor([&] { return m_watch->loaded() || m_watch->contentLoaded() || broken(); }, m_deadline);
    failIfBroken();
    if (m_watch->loaded()) return;
    m_watch->giveUpOnLoading();
    m_warnings.push_back(hangingHosts.empty() ? loadUnfinishedWarning(stallSeconds)
                                              : gaveUpWaitingFor(hangingHosts, stallSeconds));
}

bool PageCapture::loadedWithin(milliseconds span) {
    m_session.waitUntil([&] { return m_watch->loaded() || broken(); },
                        Deadline::after(span).orSooner(m_deadline));
    failIfBroken();
    return m_watch->loaded();
}

bool PageCapture::reloadWithout(const std::vector<std::string>& unanswered, int stallSeconds) {
    if (unanswered.empty()) return false;
    const GiveUp giveUp = planGiveUp(m_watch->pageUrl(), unanswered);
    m_warnings.push_back(gaveUpWaitingFor(giveUp.hosts, stallSeconds));
    // Held back as they start, then failed by the watch.
    for (const std::string& pattern : giveUp.patterns) {
        m_failedPatterns.push_back({{"urlPattern", pattern}, {"requestStage", "Request"}});
    }
    m_session.call("Fetch.enable", {{"patterns", m_failedPatterns}}, m_deadline, m_sessionId);
    m_watch->expectReload();
    m_session.call("Page.reload", json::object(), m_deadline, m_sessionId);
    return true;
}

bool PageCapture::broken() const { return m_watch->failure() || m_watch->crashed(); }

void PageCapture::settle() {
    const milliseconds timeLeft =
        std::chrono::duration_cast<milliseconds>(m_deadline.at() - Clock::now());
    const Deadline settleEnd =
        Deadline::after(settleBudget(milliseconds(m_options.settleMs), timeLeft, m_timeout));
    m_settleStart = Clock::now();
    // 1. A first look, then the scroll, where the page may load more once
    //    scrolled to (its traffic is what the settling then waits for).
    PageLook first = look(settleEnd);
    first.lazy.fullPage = m_options.fullPage;
    m_world->evaluate(
        scrollScript(shouldScrollThrough(first.lazy), heightLimit(pictureRequestOf(m_options)),
                     settleEnd.pollTimeout()),
        true, m_deadline);
    // 2. Look until the page is settled, or given up on.
    for (;;) {
        const SettleFacts facts = look(settleEnd).facts;
        const SettleAnswer answer = decideSettle(facts);
        if (answer.verdict == SettleAnswer::Verdict::Settled) break;
        if (answer.verdict == SettleAnswer::Verdict::GiveUp) {
            warnGivenUp(answer.moving, facts);
            break;
        }
        const Deadline nextLook = Deadline(m_settleStart + answer.lookAgainAt).orSooner(settleEnd);
        while (!nextLook.expired() && !m_watch->failure() && !m_watch->crashed()) {
            m_session.handleNextMessage(nextLook);
        }
    }
    failIfBroken();
}

PageLook PageCapture::look(Deadline settleEnd) {
    // A script may have moved the page on to another document.
    if (!m_watch->loaded()) waitForLoad();
    failIfBroken();
    const auto since = [this](Clock::time_point at) {
        return std::chrono::duration_cast<milliseconds>(at - m_settleStart);
    };
    const Clock::time_point began = Clock::now();
    const json probe =
        m_world->waitForWorld(settleEnd)
            ? m_world->evaluate(settleProbeScript(settleEnd.pollTimeout(), m_options.fullPage),
                                false, m_deadline)
            : json::object();
    PageLook look = readPageLook(probe, since(Clock::now()));
    // What moves in a frame of the page moves in the picture.
    const std::string frameProbe = settleProbeScript(settleEnd.pollTimeout(), false);
    for (const json& frame : m_world->evaluateInFrames(
             frameProbe, Deadline::after(kFrameLookTime).orSooner(m_deadline))) {
        addFrameLook(look.facts, readPageLook(frame, since(Clock::now())));
    }
    // A page that moved on to another document meanwhile changed, whatever
    // the look that document took away says.
    if (m_watch->movedSince(began)) look.facts.lastDocumentChange = look.facts.now;
    look.facts.budgetEnd = since(settleEnd.at());
    look.facts.lastNetworkActivity = since(m_watch->lastNetworkActivity());
    look.facts.requestsInFlight = m_watch->requestsWaiting();
    if (const auto& refresh = m_watch->scheduledRefresh())
        look.facts.refreshDue = since(refresh->due);
    if (look.toolWorld) {
        m_consent = look.facts.consent;
        if (!look.consentName.empty()) m_consentName = look.consentName;
        if (!look.leftFor.empty()) m_consentLeftFor = look.leftFor;
    }
    return look;
}

void PageCapture::warnGivenUp(const std::vector<Motion>& moving, const SettleFacts& facts) {
    const bool budgetSpent = facts.now >= facts.budgetEnd;
    // Said only when the picture itself still changes: the page moved on to
    // another document lately, or two shots of it differ.
    const SettleLimits limits;
    const bool changing =
        moving != std::vector{Motion::ConsentBanner} &&
        (m_watch->movedSince(std::max(m_settleStart, Clock::now() - kPageMovedRecently)) ||
         pictureStillChanges(m_session, m_sessionId, m_options.width, m_options.height,
                             limits.pictureWatch + std::min(facts.lateness, limits.mostStretch),
                             m_deadline));
    failIfBroken();
    std::string what;
    for (const Motion motion : motionsToReport(moving, changing)) {
        what += std::string(what.empty() ? "" : ", ") + std::string(describe(motion));
    }
    if (!what.empty()) {
        m_warnings.push_back(notSettledWarning(what, budgetSpent, m_options.settleMs));
    }
}

void PageCapture::warnOfRefreshLater() {
    // One due within the settling was followed; one still to come is not.
    const auto& refresh = m_watch->scheduledRefresh();
    if (!refresh) return;
    const auto left = std::chrono::ceil<std::chrono::seconds>(refresh->due - Clock::now());
    m_warnings.push_back(
        refreshLaterWarning(refresh->url, static_cast<int>(std::max<long long>(1, left.count()))));
}

void PageCapture::waitTheDelay() {
    if (m_options.delayMs <= 0) return;
    m_session.setActivity("waiting the --delay");
    m_activity = "waiting the --delay";
    const Deadline delayEnd = Deadline::after(milliseconds(m_options.delayMs)).orSooner(m_deadline);
    while (m_session.handleNextMessage(delayEnd)) {
    }
    if (m_deadline.expired()) {
        throw CaptureFailure(ExitCode::TimedOut, "timed out while waiting the --delay");
    }
    failIfBroken();
}

void PageCapture::reportConsentBanner() {
    const bool leftPage = !m_consentLeftFor.empty();
    const bool dealtWith = leftPage || m_consent == ConsentCheck::Closed ||
                           m_consent == ConsentCheck::BannerOpen ||
                           m_consent == ConsentCheck::NotClosed;
    if (!dealtWith) return;
    switch (bannerOutcome(m_consent, leftPage, lookAtConsentBanner())) {
        case BannerOutcome::None:
            break;
        case BannerOutcome::Closed:
            m_notes.push_back(consentClosedNote(m_consentName));
            break;
        case BannerOutcome::Hidden:
            m_notes.push_back(consentHiddenNote(m_consentName));
            break;
        case BannerOutcome::Stayed:
            m_warnings.push_back(consentStayedWarning(m_consentName));
            break;
        case BannerOutcome::LeftPage:
            m_warnings.push_back(consentLeftPageWarning(m_consentName, m_consentLeftFor));
            break;
    }
}

BannerSight PageCapture::lookAtConsentBanner() {
    const Deadline checkEnd = Deadline::after(kBannerCheckTime).orSooner(m_deadline);
    if (!m_world->waitForWorld(checkEnd)) return BannerSight::Unknown;
    return bannerSightOf(m_world->evaluate(
        consentBannerCheckScript(static_cast<int>(kBannerCheckTime.count())), true, m_deadline));
}

void PageCapture::holdStill() {
    // A page that moves on to another document while it is taken takes the
    // picture's commands with it: from here on it stays the one it is.
    m_watch->holdStill();
    json patterns = m_failedPatterns;
    patterns.push_back({{"resourceType", "Document"}});
    m_session.call("Fetch.enable", {{"patterns", patterns}}, m_deadline, m_sessionId);
}

std::string PageCapture::takePicture() {
    ContentSize content;
    if (m_options.fullPage) {
        const json metrics =
            m_session.call("Page.getLayoutMetrics", json::object(), m_deadline, m_sessionId);
        const json size = metrics.value("cssContentSize", json::object());
        content = {.width = size.value("width", 0.0), .height = size.value("height", 0.0)};
        checkWholePicture(content);
    }
    const PicturePlan plan = planPicture({.width = m_options.width,
                                          .viewportHeight = m_options.height,
                                          .fullPage = m_options.fullPage,
                                          .maxHeight = m_options.maxHeight,
                                          .format = m_options.format},
                                         content, m_shotLimit);
    m_warnings.insert(m_warnings.end(), plan.warnings.begin(), plan.warnings.end());
    if (!plan.joined()) return screenshot(plan.shotFormat, 0, plan.height);
    ImageJoiner joiner(m_options.format, m_options.width, plan.height, m_options.quality);
    for (const ImagePart& part : plan.parts) {
        joiner.addPart(screenshot(plan.shotFormat, part.top, part.height), part.height);
    }
    return joiner.finish();
}

void PageCapture::checkWholePicture(ContentSize& content) {
    // Wider than the window only by what it paints there, not by its boxes.
    const bool wider = content.width >= m_options.width + 1;
    PictureCheck check = readPictureCheck(m_world->evaluate(
        pictureCheckScript(wider ? m_options.width : 0, kWidthSliver), false, m_deadline));
    if (wider && check.paintedWidth) content.width = *check.paintedWidth;
    // A frame on the browser's error page is as blank as the picture shows it.
    std::erase_if(check.blankFrames, [&](const std::string& host) {
        return m_watch->failedFrameHosts().contains(host);
    });
    if (!check.blankFrames.empty()) m_warnings.push_back(blankFramesWarning(check.blankFrames));
}

std::string PageCapture::screenshot(ImageFormat format, int top, int height) {
    const json clip = {
        {"x", 0}, {"y", top}, {"width", m_options.width}, {"height", height}, {"scale", 1}};
    json params = {{"format", protocolName(format)},
                   {"clip", clip},
                   {"captureBeyondViewport", m_options.fullPage},
                   {"fromSurface", true}};
    if (format != ImageFormat::Png) params["quality"] = m_options.quality;
    // A PNG encoded for speed holds the same pixels in more bytes, at half
    // the browser's time or less; JPEG gains nothing from it.
    if (format == ImageFormat::Png) params["optimizeForSpeed"] = true;
    std::string image =
        m_session.callForData("Page.captureScreenshot", params, m_deadline, m_sessionId);
    if (!looksLikeImage(image, format)) {
        throw CaptureFailure(ExitCode::BrowserFailed,
                             describeIncompleteImage(protocolName(format)));
    }
    return image;
}

void PageCapture::failIfBroken() const {
    if (m_watch->failure()) throw *m_watch->failure();
    if (m_watch->crashed())
        throw CaptureFailure(ExitCode::BrowserFailed, "the page's renderer crashed");
}

}  // namespace

CapturedPage capturePage(DevToolsSession& session, const std::string& url,
                         const CaptureOptions& options, const std::string& consentRules,
                         Deadline deadline, Timings& timings) {
    return PageCapture(session, options, consentRules, deadline, timings).run(url);
}

bool isOtherWindow(const json& targetInfo, std::string_view contextId, std::string_view ownTarget) {
    return targetInfo.value("type", "") == "page" &&
           targetInfo.value("browserContextId", "") == contextId &&
           targetInfo.value("targetId", "") != ownTarget;
}

}  // namespace orlenda::iecapt
