// The capture host's routing between several captures and one browser: each
// capture's ids, replies, events and the things it made stay its own.

#include "protocol/host_router.h"

#include <gtest/gtest.h>

#include "protocol/host_hello.h"

namespace orlenda::iecapt {
namespace {

using nlohmann::json;
using ClientId = HostRouter::ClientId;

constexpr ClientId kA = 1;
constexpr ClientId kB = 2;

int idOf(const std::string& command) { return json::parse(command).at("id").get<int>(); }

std::string reply(int id, const json& result) {
    return json{{"id", id}, {"result", result}}.dump();
}

// Two captures, A and B, each with its context (CA, CB), page (TA, TB) and
// session (SA, SB), made as a capture makes them.
class HostRouterTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const std::string& command : router.start()) {
            router.fromBrowser(reply(idOf(command), json::object()));
        }
        ASSERT_EQ(router.state(), HostRouter::State::Ready);
        for (const auto& [client, name] : {std::pair<ClientId, std::string>{kA, "A"}, {kB, "B"}}) {
            ask(client, "Target.createBrowserContext", {}, {{"browserContextId", "C" + name}});
            ask(client, "Target.createTarget", {{"browserContextId", "C" + name}},
                {{"targetId", "T" + name}});
            ask(client, "Target.attachToTarget", {{"targetId", "T" + name}},
                {{"sessionId", "S" + name}});
        }
    }

    // Sends the command as the client, answers it as the browser would, and
    // returns what came back to the client: the reply, or the refusal.
    json ask(ClientId client, const std::string& method, const json& params, const json& result,
             const std::string& session = "") {
        json command = {{"id", 7}, {"method", method}, {"params", params}};
        if (!session.empty()) command["sessionId"] = session;
        const HostRouter::Routed sent = router.fromClient(client, command.dump());
        if (!sent.toClients.empty()) {
            EXPECT_TRUE(sent.toBrowser.empty()) << method;
            return json::parse(sent.toClients.at(0).second);
        }
        EXPECT_EQ(sent.toBrowser.size(), 1U) << method;
        const HostRouter::Routed back =
            router.fromBrowser(reply(idOf(sent.toBrowser.at(0)), result));
        EXPECT_EQ(back.toClients.size(), 1U) << method;
        EXPECT_EQ(back.toClients.at(0).first, client) << method;
        return json::parse(back.toClients.at(0).second);
    }

    HostRouter router;
};

TEST(HostRouterStartTest, ReadyOnceTheBrowserAnsweredTheHostsOwnSetUp) {
    const struct {
        const char* what;
        std::vector<json> answers;
        HostRouter::State state;
    } cases[] = {
        {"both answered", {json{{"result", {}}}, json{{"result", {}}}}, HostRouter::State::Ready},
        {"one still to come", {json{{"result", {}}}}, HostRouter::State::Starting},
        {"one refused",
         {json{{"result", {}}}, json{{"error", {{"message", "no"}}}}},
         HostRouter::State::Failed},
    };
    for (const auto& [what, answers, state] : cases) {
        HostRouter router;
        const std::vector<std::string> setUp = router.start();
        ASSERT_EQ(setUp.size(), 2U);
        for (std::size_t i = 0; i < answers.size(); ++i) {
            json answer = answers[i];
            answer["id"] = idOf(setUp[i]);
            router.fromBrowser(answer.dump());
        }
        EXPECT_EQ(router.state(), state) << what;
    }
}

TEST_F(HostRouterTest, EachCaptureGetsItsOwnRepliesUnderItsOwnIdsAndScreenshotsPassUntouched) {
    const std::string shot(1 << 20, 'Q');
    const auto sentA = router.fromClient(kA, R"({"id":41,"method":"Page.captureScreenshot",
                                                "params":{},"sessionId":"SA"})");
    const auto sentB = router.fromClient(kB, R"({"id":41,"method":"Page.enable",
                                                "params":{},"sessionId":"SB"})");
    ASSERT_EQ(sentA.toBrowser.size(), 1U);
    ASSERT_EQ(sentB.toBrowser.size(), 1U);
    EXPECT_NE(idOf(sentA.toBrowser[0]), idOf(sentB.toBrowser[0]));
    EXPECT_EQ(json::parse(sentA.toBrowser[0]).at("sessionId"), "SA");
    // As the browser writes them, answered in the other order.
    const std::string tail = R"(,"result":{"data":")" + shot + R"("},"sessionId":"SA"})";
    const auto toB = router.fromBrowser(R"({"id":)" + std::to_string(idOf(sentB.toBrowser[0])) +
                                        R"(,"result":{},"sessionId":"SB"})");
    const auto toA =
        router.fromBrowser(R"({"id":)" + std::to_string(idOf(sentA.toBrowser[0])) + tail);
    ASSERT_EQ(toA.toClients.size(), 1U);
    ASSERT_EQ(toB.toClients.size(), 1U);
    EXPECT_EQ(toA.toClients[0], std::pair(kA, R"({"id":41)" + tail));
    EXPECT_EQ(toB.toClients[0].first, kB);
    EXPECT_EQ(json::parse(toB.toClients[0].second).at("id"), 41);
    // A reply the browser wrote otherwise is renumbered all the same.
    const auto sentAgain = router.fromClient(kA, R"({"id":42,"method":"Browser.getVersion"})");
    const auto answered = router.fromBrowser(
        json{{"result", {{"product", "x"}}}, {"id", idOf(sentAgain.toBrowser.at(0))}}.dump());
    EXPECT_EQ(json::parse(answered.toClients.at(0).second),
              json::parse(R"({"id":42,"result":{"product":"x"}})"));
}

TEST_F(HostRouterTest, ACaptureMayNameOnlyWhatItMadeItself) {
    const struct {
        const char* method;
        json params;
        std::string session;
        bool servedForA;  // A made CA, TA and SA; B did not
    } cases[] = {
        {"Target.createTarget", {{"browserContextId", "CA"}}, "", true},
        {"Browser.setDownloadBehavior",
         {{"behavior", "deny"}, {"browserContextId", "CA"}},
         "",
         true},
        {"Target.attachToTarget", {{"targetId", "TA"}, {"flatten", true}}, "", true},
        {"Target.closeTarget", {{"targetId", "TA"}}, "", true},
        {"Page.navigate", {{"url", "http://a/"}}, "SA", true},
        {"Target.createTarget", {{"url", "about:blank"}}, "", false},
        {"Target.createTarget", {{"browserContextId", 5}}, "", false},
        {"Browser.setDownloadBehavior", {{"behavior", "allow"}}, "", false},
        {"Target.disposeBrowserContext", {{"browserContextId", "CA"}}, "", false},
        {"Target.setDiscoverTargets", {{"discover", false}}, "", false},
        {"Browser.close", {}, "", false},
    };
    for (const auto& [method, params, session, servedForA] : cases) {
        const json toB = ask(kB, method, params, json::object(), session);
        EXPECT_EQ(toB.at("id"), 7) << method;
        EXPECT_TRUE(toB.contains("error")) << method << " " << params;
        const json toA = ask(kA, method, params, json::object(), session);
        EXPECT_EQ(toA.contains("error"), !servedForA) << method << " " << params;
    }
    // Discovery is on in the host from the start: answered there.
    EXPECT_EQ(router
                  .fromClient(kA, R"({"id":3,"method":"Target.setDiscoverTargets",
                                       "params":{"discover":true}})")
                  .toClients,
              (std::vector<std::pair<ClientId, std::string>>{{kA, R"({"id":3,"result":{}})"}}));
}

TEST_F(HostRouterTest, EventsGoToTheCaptureTheyConcern) {
    const auto created = [](const std::string& target, const std::string& context) {
        return json{{"method", "Target.targetCreated"},
                    {"params",
                     {{"targetInfo",
                       {{"targetId", target}, {"type", "page"}, {"browserContextId", context}}}}}};
    };
    const json attached = {{"method", "Target.attachedToTarget"},
                           {"params",
                            {{"sessionId", "SB2"},
                             {"targetInfo", {{"targetId", "TB2"}, {"browserContextId", "CB"}}}}}};
    const struct {
        const char* what;
        json event;
        ClientId receiver;
    } cases[] = {
        {"a page event", {{"method", "Page.loadEventFired"}, {"sessionId", "SA"}}, kA},
        {"another's page event", {{"method", "Page.loadEventFired"}, {"sessionId", "SB"}}, kB},
        {"an unknown session's event", {{"method", "Page.loadEventFired"}, {"sessionId", "S?"}}, 0},
        {"a window opened in A's context", created("TA2", "CA"), kA},
        {"a page of the browser's own context", created("T0", "C0"), 0},
        {"the window's end, by its id alone",
         {{"method", "Target.targetDestroyed"}, {"params", {{"targetId", "TA2"}}}},
         kA},
        {"a session made in B's context", attached, kB},
        {"that session's event",
         {{"method", "Runtime.consoleAPICalled"}, {"sessionId", "SB2"}},
         kB},
        {"its end",
         {{"method", "Target.detachedFromTarget"}, {"params", {{"sessionId", "SB2"}}}},
         kB},
        {"an event after its end", {{"method", "Page.loadEventFired"}, {"sessionId", "SB2"}}, 0},
        {"the browser's own news", {{"method", "Browser.downloadWillBegin"}}, 0},
    };
    for (const auto& [what, event, receiver] : cases) {
        const HostRouter::Routed routed = router.fromBrowser(event.dump());
        EXPECT_EQ(routed.toClients.empty() ? 0 : routed.toClients.front().first, receiver) << what;
        if (!routed.toClients.empty()) {
            EXPECT_EQ(json::parse(routed.toClients.front().second), event) << what;
        }
    }
    EXPECT_TRUE(router.fromBrowser("{not json").toClients.empty());
    // A window that was closed can no longer be named by A.
    EXPECT_TRUE(ask(kA, "Target.closeTarget", {{"targetId", "TA2"}}, {}).contains("error"));
}

TEST_F(HostRouterTest, AGoneCapturesContextsAreDisposedAndItsNewsGoesNowhere) {
    const auto pendingContext =
        router.fromClient(kA, R"({"id":9,"method":"Target.createBrowserContext"})");
    const auto pendingPage =
        router.fromClient(kA, R"({"id":10,"method":"Page.enable","sessionId":"SA"})");
    const HostRouter::Routed gone = router.clientGone(kA);
    ASSERT_EQ(gone.toBrowser.size(), 1U);
    EXPECT_EQ(json::parse(gone.toBrowser[0]).at("method"), "Target.disposeBrowserContext");
    EXPECT_EQ(json::parse(gone.toBrowser[0]).at("params"), json({{"browserContextId", "CA"}}));
    EXPECT_TRUE(gone.toClients.empty());
    EXPECT_TRUE(router.fromBrowser(reply(idOf(pendingPage.toBrowser.at(0)), {})).toClients.empty());
    EXPECT_TRUE(router.fromBrowser(R"({"method":"Page.frameNavigated","sessionId":"SA"})")
                    .toClients.empty());
    // The context it asked for comes after it went: it goes too.
    const HostRouter::Routed late = router.fromBrowser(
        reply(idOf(pendingContext.toBrowser.at(0)), {{"browserContextId", "CA2"}}));
    EXPECT_TRUE(late.toClients.empty());
    ASSERT_EQ(late.toBrowser.size(), 1U);
    EXPECT_EQ(json::parse(late.toBrowser[0]).at("params"), json({{"browserContextId", "CA2"}}));
    // B goes on as before.
    EXPECT_FALSE(ask(kB, "Page.enable", {}, {}, "SB").contains("error"));
}

TEST(LeadingIdTest, ReadsTheIdAtTheStartOfAReplyOnly) {
    const struct {
        std::string message;
        std::optional<int> id;
    } cases[] = {
        {R"({"id":12,"result":{}})", 12},
        {R"({"id":7})", 7},
        {R"({"id":2147483647,"error":{}})", 2147483647},
        {R"({"id":99999999999,"result":{}})", std::nullopt},
        {R"({"id":-3,"result":{}})", std::nullopt},
        {R"({"id":"3","result":{}})", std::nullopt},
        {R"({"id":3)", std::nullopt},
        {R"({"id":3x})", std::nullopt},
        {R"({"method":"Page.loadEventFired","params":{"id":3}})", std::nullopt},
        {R"({ "id":3,"result":{}})", std::nullopt},
    };
    for (const auto& [message, id] : cases) EXPECT_EQ(leadingId(message), id) << message;
}

TEST(HostHelloTest, AHostServesOnlyACaptureOfItsOwnIdentity) {
    const HostIdentity ours = {"1.0 42", "/usr/bin/chromium-headless-shell", {"LANG=C", "TZ=UTC"}};
    EXPECT_EQ(readHello(helloText(ours)), ours);
    for (const HostAnswer answer :
         {HostAnswer::Serving, HostAnswer::Starting, HostAnswer::Refused}) {
        EXPECT_EQ(readAnswer(answerText(ours, answer), ours), answer);
    }
    HostIdentity otherTool = ours;
    otherTool.tool = "0.9 42";
    HostIdentity otherBrowser = ours;
    otherBrowser.browser = "/usr/bin/chromium";
    HostIdentity otherZone = ours;
    otherZone.environment.back() = "TZ=Asia/Tokyo";
    for (const HostIdentity& host : {otherTool, otherBrowser, otherZone}) {
        EXPECT_EQ(readAnswer(answerText(host, HostAnswer::Serving), ours), HostAnswer::Refused)
            << host.tool << host.browser;
        EXPECT_NE(readHello(helloText(host)), ours);
    }
    for (const std::string garbage : {"", "{}", "[1]", R"({"iecapt-host":"serving"})",
                                      R"({"iecapt-host":"serving","identity":{"tool":1}})"}) {
        EXPECT_EQ(readAnswer(garbage, ours), HostAnswer::Refused) << garbage;
        EXPECT_EQ(readHello(garbage), std::nullopt) << garbage;
    }
}

}  // namespace
}  // namespace orlenda::iecapt
