// The page's events as the browser sends them, and what the capture makes of
// them: what still waits on the network, where the page went, what it is.

#include "page/page_watch.h"

#include <gtest/gtest.h>

namespace orlenda::iecapt {
namespace {

using nlohmann::json;

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

TEST(PageWatchTest, ARequestThatHasItsAnswerNoLongerKeepsThePageBusy) {
    const struct {
        const char* name;
        std::vector<json> events;
        bool waiting;
    } cases[] = {
        {"unanswered", {request("1", "http://a/x")}, true},
        {"body still coming", {request("1", "http://a/x"), response("1")}, false},
        // A worker's script: only the extra information reaches the page.
        {"worker script",
         {request("1", "https://a/w.js", "Script"),
          event("Network.responseReceivedExtraInfo", {{"requestId", "1"}, {"statusCode", 200}})},
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
        {"another session",
         {json{{"method", "Network.requestWillBeSent"},
               {"sessionId", "T"},
               {"params", {{"requestId", "1"}, {"request", {{"url", "http://a/"}}}}}}},
         false},
    };
    for (const auto& row : cases) {
        PageWatch watch("S", false, [](const std::string&, const json&) {});
        for (const json& e : row.events) watch.handle(e);
        EXPECT_EQ(watch.requestsWaiting(), row.waiting) << row.name;
    }
}

TEST(PageWatchTest, NetworkActivityMovesTheQuietPointAndOnlyItDoes) {
    PageWatch watch("S", false, [](const std::string&, const json&) {});
    const auto start = PageWatch::Clock::now();
    const auto period = std::chrono::milliseconds(300);
    watch.handle(request("1", "http://a/x"), start);
    watch.handle(event("Network.dataReceived", {{"requestId", "1"}}), start + period);
    EXPECT_EQ(watch.lastNetworkActivity(), start + period);
    watch.handle(lifecycle("load", "L"), start + 3 * period);
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
        PageWatch watch("S", row.allowFiles, [](const std::string&, const json&) {});
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
    PageWatch watch("S", false, [](const std::string&, const json&) {});
    watch.expectDocument("L");
    watch.handle(request("L", "http://a/", "Document"));
    watch.handle(response("L", "Document", "text/html", 404));
    watch.handle(request("I", "http://a/hang.png", "Image"));
    watch.handle(lifecycle("DOMContentLoaded", "L"));
    EXPECT_TRUE(watch.contentLoaded());
    EXPECT_FALSE(watch.loaded());
    EXPECT_EQ(watch.giveUpOnLoading(), 1U);
    EXPECT_TRUE(watch.loaded());
    EXPECT_FALSE(watch.requestsWaiting());
    EXPECT_EQ(watch.documentResponse().status, 404);

    watch.handle(navigated("N", "http://a/next"));  // a script moved on
    EXPECT_FALSE(watch.loaded());
    watch.handle(lifecycle("load", "N"));
    EXPECT_TRUE(watch.loaded());
}

}  // namespace
}  // namespace orlenda::iecapt
