// The page's events as the browser sends them, and what the capture makes of
// them: what still waits on the network, where the page went, what it is.

#include "page/page_watch.h"

#include <gtest/gtest.h>

namespace orlenda::iecapt {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

json event(const std::string& method, json params) {
    return {{"method", method}, {"params", std::move(params)}, {"sessionId", "S"}};
}

json request(const std::string& id, const std::string& url, const std::string& type = "Fetch") {
    return event("Network.requestWillBeSent",
                 {{"requestId", id}, {"type", type}, {"request", {{"url", url}}}});
}

json response(const std::string& id, const std::string& type = "Fetch",
              const std::string& mimeType = "text/html", int status = 200) {
    return event(
        "Network.responseReceived",
        {{"requestId", id},
         {"loaderId", id},
         {"type", type},
         {"response", {{"status", status}, {"mimeType", mimeType}, {"url", "http://a/" + id}}}});
}

json challenge(const std::string& id, int status, const std::string& header) {
    json sent = response(id, "Document", "text/html", status);
    sent["params"]["response"]["headers"] = {{header, "Basic realm=\"x\""}};
    return sent;
}

json navigated(const std::string& loaderId, const std::string& url, json extra = json::object()) {
    json frame = {{"id", "F"}, {"loaderId", loaderId}, {"url", url}};
    frame.update(extra);
    return event("Page.frameNavigated", {{"frame", frame}});
}

json lifecycle(const std::string& name, const std::string& loaderId) {
    return event("Page.lifecycleEvent", {{"name", name}, {"loaderId", loaderId}});
}

// The same event from a frame's target of its own.
json inFrame(json sent) {
    sent["sessionId"] = "T";
    return sent;
}

void ignored(const std::string&, const json&, const std::string&) {}

TEST(PageWatchTest, ARequestThatHasItsAnswerNoLongerKeepsThePageBusy) {
    const struct {
        const char* name;
        std::vector<json> events;
        bool waiting;
        bool frameTarget = false;  // its session is a frame's target of the page's
    } cases[] = {
        {"unanswered", {request("1", "http://a/x")}, true},
        {"body still coming", {request("1", "http://a/x"), response("1")}, false},
        // A worker's script: only the extra information reaches the page.
        {"worker script",
         {request("1", "https://a/w.js", "Script"),
          event("Network.responseReceivedExtraInfo", {{"requestId", "1"}, {"statusCode", 200}})},
         false},
        {"not modified, told only in the extra information",
         {request("1", "http://a/x"),
          event("Network.responseReceivedExtraInfo", {{"requestId", "1"}, {"statusCode", 304}})},
         false},
        {"redirected",
         {request("1", "http://a/x"),
          event("Network.responseReceivedExtraInfo", {{"requestId", "1"}, {"statusCode", 302}})},
         true},
        {"failed",
         {request("1", "http://a/x"),
          event("Network.loadingFailed", {{"requestId", "1"}, {"errorText", "x"}})},
         false},
        {"not the network", {request("1", "data:,x"), request("2", "blob:http://a/1")}, false},
        {"the browser's icon", {request("1", "http://a/favicon.ico", "Other")}, false},
        {"the page's own favicon.ico", {request("1", "http://a/favicon.ico", "Image")}, true},
        {"another session", {inFrame(request("1", "http://a/"))}, false},
        {"a frame's own target", {inFrame(request("1", "http://a/"))}, true, true},
    };
    for (const auto& row : cases) {
        PageWatch watch("S", false, ignored);
        if (row.frameTarget) watch.watchFrameTarget("T");
        for (const json& e : row.events) watch.handle(e);
        EXPECT_EQ(watch.requestsWaiting(), row.waiting) << row.name;
    }
}

TEST(PageWatchTest, NetworkActivityMovesTheQuietPointAndOnlyItDoes) {
    PageWatch watch("S", false, ignored);
    const auto start = PageWatch::Clock::now();
    const auto period = std::chrono::milliseconds(300);
    watch.handle(request("1", "http://a/x"), start);
    watch.handle(event("Network.dataReceived", {{"requestId", "1"}}), start + period);
    EXPECT_EQ(watch.lastNetworkActivity(), start + period);
    watch.handle(lifecycle("load", "L"), start + 3 * period);
    EXPECT_EQ(watch.lastNetworkActivity(), start + period);
    // The browser's own look for a site icon, answered late.
    watch.handle(request("2", "http://a/favicon.ico", "Other"), start + 4 * period);
    watch.handle(response("2", "Other"), start + 5 * period);
    watch.handle(event("Network.loadingFinished", {{"requestId", "2"}}), start + 5 * period);
    EXPECT_EQ(watch.lastNetworkActivity(), start + period);
}

TEST(PageWatchTest, TheMainFrameMustEndOnAWebPageThatIsNotAPdf) {
    const struct {
        const char* name;
        bool allowFiles;
        std::vector<json> events;  // after the capture's own navigation
        std::string failure;       // "" for none
    } cases[] = {
        {"a page", false, {navigated("L", "http://a/")}, ""},
        {"a script's move to a refused address",
         false,
         {navigated("L", "http://a/"), request("M", "http://b/", "Document"),
          event("Network.loadingFailed",
                {{"requestId", "M"}, {"type", "Document"}, {"errorText", "net::ERR_X"}}),
          navigated("M", "chrome-error://chromewebdata/", {{"unreachableUrl", "http://b/"}})},
         "the page could not be loaded (net::ERR_X)"},
        {"an error page with no reason",
         false,
         {navigated("M", "chrome-error://chromewebdata/")},
         "the browser showed its error page"},
        {"a move to a local file",
         false,
         {navigated("M", "file:///etc/passwd")},
         "went on to file:///etc/passwd, which is not a web page"},
        {"a move to a local file when allowed", true, {navigated("M", "file:///tmp/x")}, ""},
        {"a move to a blank page", false, {navigated("M", "about:blank")}, "not a web page"},
        {"a subframe's error page",
         false,
         {navigated("M", "chrome-error://chromewebdata/", {{"parentId", "F"}})},
         ""},
        {"a PDF",
         false,
         {response("L", "Document", "application/pdf")},
         "the address is a PDF document, not a web page"},
        {"a PDF a script moved to",
         false,
         {response("M", "Document", "application/pdf"), navigated("M", "http://a/M")},
         "the address is a PDF document, not a web page"},
        {"a PDF in a frame", false, {response("M", "Document", "application/pdf")}, ""},
        {"a login asked for",
         false,
         {challenge("L", 401, "WWW-Authenticate")},
         "the site asks for a login"},
        {"a proxy login asked for",
         false,
         {challenge("L", 407, "proxy-authenticate")},
         "the site asks for a login"},
        {"a 401 without its challenge", false, {response("L", "Document", "text/html", 401)}, ""},
        {"a challenge with a 200", false, {challenge("L", 200, "WWW-Authenticate")}, ""},
    };
    for (const auto& row : cases) {
        PageWatch watch("S", row.allowFiles, ignored);
        // The browser's first blank page is no move of the page's.
        watch.handle(navigated("B", "about:blank"));
        watch.expectDocument("L");
        for (const json& e : row.events) watch.handle(e);
        EXPECT_EQ(watch.failure().has_value(), !row.failure.empty()) << row.name;
        if (watch.failure()) {
            EXPECT_EQ(watch.failure()->code(), ExitCode::PageNotLoaded) << row.name;
            EXPECT_NE(std::string(watch.failure()->what()).find(row.failure), std::string::npos)
                << row.name << ": " << watch.failure()->what();
        }
    }
}

TEST(PageWatchTest, LoadingFollowsTheMainDocumentAndCanBeGivenUpOn) {
    std::vector<std::string> sent;
    PageWatch watch("S", false,
                    [&](const std::string& method, const json& params, const std::string&) {
                        sent.push_back(method + " " + params.value("requestId", "") + " " +
                                       params.value("errorReason", ""));
                    });
    watch.expectDocument("L");
    watch.handle(request("L", "http://a/", "Document"));
    watch.handle(response("L", "Document", "text/html", 404));
    for (const auto& [id, url, type] : {std::tuple{"F", "http://f/", "Document"},
                                        {"I", "http://a/hang.png", "Image"},
                                        {"X", "http://a/api", "Fetch"}}) {
        watch.handle(request(id, url, type));
    }
    watch.handle(lifecycle("DOMContentLoaded", "L"));
    EXPECT_TRUE(watch.contentLoaded());
    EXPECT_FALSE(watch.loaded());
    // Neither the page's own document nor what its scripts fetch holds it up.
    EXPECT_EQ(watch.unansweredResources(),
              (std::vector<std::string>{"http://f/", "http://a/hang.png"}));
    watch.giveUpOnLoading();
    EXPECT_TRUE(watch.loaded());
    EXPECT_FALSE(watch.requestsWaiting());
    EXPECT_EQ(watch.documentResponse().status, 404);

    const auto start = PageWatch::Clock::now();
    watch.handle(navigated("N", "http://a/next"), start);  // a script moved on
    EXPECT_FALSE(watch.loaded());
    EXPECT_EQ(std::pair(watch.movedSince(start - 1ms), watch.movedSince(start)),
              std::pair(true, false));
    watch.handle(event("Page.frameStartedLoading", {{"frameId", "F"}}));
    EXPECT_TRUE(watch.movedSince(start));
    watch.handle(lifecycle("load", "N"));
    EXPECT_TRUE(watch.loaded());

    // Loaded again, with what hung failed as it starts.
    watch.handle(request("J", "http://b/x.js", "Script"));
    watch.expectReload();
    EXPECT_FALSE(watch.loaded());
    EXPECT_FALSE(watch.requestsWaiting());
    watch.handle(event("Fetch.requestPaused", {{"requestId", "interception-1"}}));
    EXPECT_EQ(sent, std::vector<std::string>{"Fetch.failRequest interception-1 TimedOut"});
    watch.handle(lifecycle("load", "N"));  // the old document, as it goes
    EXPECT_FALSE(watch.loaded());
    watch.handle(navigated("R", "http://a/next"));
    watch.handle(lifecycle("load", "R"));
    EXPECT_TRUE(watch.loaded());

    // Held still for the picture, a move to another document is called off.
    watch.holdStill();
    watch.handle(
        event("Fetch.requestPaused", {{"requestId", "i-2"}, {"resourceType", "Document"}}));
    EXPECT_EQ(sent.back(), "Fetch.failRequest i-2 Aborted");
}

TEST(PageWatchTest, ARefreshToAnotherPageIsKnownUntilItHappens) {
    const auto start = PageWatch::Clock::now();
    const auto scheduled = [](const std::string& reason, const std::string& url) {
        return event("Page.frameScheduledNavigation",
                     {{"frameId", "F"}, {"reason", reason}, {"url", url}, {"delay", 1.5}});
    };
    const struct {
        const char* name;
        std::vector<json> events;  // after the page arrived, at the start
        bool known;
    } cases[] = {
        {"a meta tag's", {scheduled("metaTagRefresh", "http://a/next")}, true},
        {"to the page itself", {scheduled("httpHeaderRefresh", "http://a/")}, false},
        {"a script's move", {scheduled("scriptInitiated", "http://a/next")}, false},
    };
    for (const auto& row : cases) {
        PageWatch watch("S", false, ignored);
        watch.expectDocument("L");
        watch.handle(navigated("L", "http://a/"));
        for (const json& e : row.events) watch.handle(e, start);
        const auto& refresh = watch.scheduledRefresh();
        EXPECT_EQ(refresh ? refresh->due - start : PageWatch::Clock::duration(-1ms),
                  row.known ? 1500ms : -1ms)
            << row.name;
    }
}

TEST(PageWatchTest, FramesOnTheBrowsersErrorPageAreKnownByTheirHost) {
    PageWatch watch("S", false, ignored);
    watch.handle(navigated("E", "chrome-error://chromewebdata/",
                           {{"parentId", "F"}, {"unreachableUrl", "https://ads.b:8443/x"}}));
    watch.handle(navigated("V", "https://video.c/embed", {{"parentId", "F"}}));
    EXPECT_EQ(watch.failedFrameHosts(), std::set<std::string>{"ads.b"});
}

TEST(PageWatchTest, AnotherSiteIsGivenUpOnWholeThePagesOwnOnlyWhereItHung) {
    const struct {
        const char* name;
        std::vector<std::string> unanswered;
        std::vector<std::string> hosts, patterns;
    } cases[] = {
        {"another site", {"https://cdn.b/lib.js"}, {"cdn.b"}, {"https://cdn.b/*"}},
        {"the page's own", {"http://a:8080/x.js?v=1*"}, {"a"}, {"http://a:8080/x.js\\?v=1\\*"}},
        {"same host, other port", {"http://a:9090/x.js"}, {"a"}, {"http://a:9090/*"}},
        {"a login, an IPv6 host", {"http://u:p@[::1]:81/x"}, {"[::1]"}, {"http://u:p@[::1]:81/*"}},
        {"each once",
         {"https://b/1", "https://b/2", "http://b/3", "http://a:8080/y"},
         {"b", "a"},
         {"https://b/*", "http://b/*", "http://a:8080/y"}},
    };
    for (const auto& row : cases) {
        const GiveUp giveUp = planGiveUp("http://a:8080/page", row.unanswered);
        EXPECT_EQ(giveUp.hosts, row.hosts) << row.name;
        EXPECT_EQ(giveUp.patterns, row.patterns) << row.name;
    }
}

}  // namespace
}  // namespace orlenda::iecapt
