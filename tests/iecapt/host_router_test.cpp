// The capture host's routing between several captures and one browser: each
// capture's ids, replies, events and the things it made stay its own.

#include "protocol/host_router.h"

#include <gtest/gtest.h>

#include "protocol/host_hello.h"
#include "system/capture_host.h"

namespace orlenda::iecapt {
namespace {

using nlohmann::json;
using ClientId = HostRouter::ClientId;
using State = HostRouter::State;

constexpr ClientId kA = 1;
constexpr ClientId kB = 2;

int idOf(const std::string& command) { return json::parse(command).at("id").get<int>(); }

std::string reply(int id, const json& result) {
    return json{{"id", id}, {"result", result}}.dump();
}

// Who the routed messages went to: 0 for nobody.
ClientId receiver(const HostRouter::Routed& routed) {
    return routed.toClients.empty() ? 0 : routed.toClients.front().first;
}

// Two captures, A and B, each with its context (CA, CB), page (TA, TB) and
// session (SA, SB), made as a capture makes them.
class HostRouterTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const std::string& command : router.start())
            router.fromBrowser(reply(idOf(command), {}));
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
        HostRouter::Routed routed = router.fromClient(client, command.dump());
        if (routed.toClients.empty()) {
            EXPECT_EQ(routed.toBrowser.size(), 1U) << method;
            routed = router.fromBrowser(reply(idOf(routed.toBrowser.at(0)), result));
        }
        EXPECT_EQ(receiver(routed), client) << method;
        return json::parse(routed.toClients.at(0).second);
    }

    HostRouter router;
};

TEST(HostRouterStartTest, ReadyOnceTheBrowserAnsweredTheHostsOwnSetUp) {
    const json ok = {{"result", {}}};
    const json refused = {{"error", {{"message", "no"}}}};
    const std::pair<std::vector<json>, State> cases[] = {
        {{ok, ok}, State::Ready}, {{ok}, State::Starting}, {{ok, refused}, State::Failed}};
    for (const auto& [answers, state] : cases) {
        HostRouter router;
        const std::vector<std::string> setUp = router.start();
        for (std::size_t i = 0; i < answers.size(); ++i) {
            json answer = answers[i];
            answer["id"] = idOf(setUp.at(i));
            router.fromBrowser(answer.dump());
        }
        EXPECT_EQ(router.state(), state) << answers.size();
    }
}

TEST_F(HostRouterTest, EachCaptureGetsItsOwnRepliesUnderItsOwnIdsAndScreenshotsPassUntouched) {
    const auto sentA = router.fromClient(kA, R"({"id":41,"method":"Page.captureScreenshot",
                                                "params":{},"sessionId":"SA"})");
    const auto sentB =
        router.fromClient(kB, R"({"id":41,"method":"Page.enable","sessionId":"SB"})");
    const int idA = idOf(sentA.toBrowser.at(0));
    ASSERT_NE(idA, idOf(sentB.toBrowser.at(0)));
    // As the browser writes them, answered in the other order.
    const std::string tail =
        R"(,"result":{"data":")" + std::string(1 << 20, 'Q') + R"("},"sessionId":"SA"})";
    const auto toB = router.fromBrowser(reply(idOf(sentB.toBrowser[0]), {}));
    const auto toA = router.fromBrowser(R"({"id":)" + std::to_string(idA) + tail);
    EXPECT_EQ(toA.toClients,
              (std::vector<std::pair<ClientId, std::string>>{{kA, R"({"id":41)" + tail}}));
    EXPECT_EQ(receiver(toB), kB);
    EXPECT_EQ(json::parse(toB.toClients.at(0).second).at("id"), 41);
    // A reply the browser wrote otherwise is renumbered all the same.
    const auto sent = router.fromClient(kA, R"({"id":42,"method":"Browser.getVersion"})");
    const auto answered = router.fromBrowser(
        json{{"result", json::object()}, {"id", idOf(sent.toBrowser.at(0))}}.dump());
    EXPECT_EQ(json::parse(answered.toClients.at(0).second),
              json::parse(R"({"id":42,"result":{}})"));
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
        const json toB = ask(kB, method, params, {}, session);
        EXPECT_TRUE(toB.contains("error") && toB.at("id") == 7) << method << " " << params;
        EXPECT_EQ(ask(kA, method, params, {}, session).contains("error"), !servedForA)
            << method << " " << params;
    }
    // Discovery is on in the host from the start: answered there.
    EXPECT_EQ(ask(kA, "Target.setDiscoverTargets", {{"discover", true}}, {}), json::parse(R"(
        {"id":7,"result":{}})"));
}

TEST_F(HostRouterTest, EventsGoToTheCaptureTheyConcern) {
    const auto created = [](const std::string& target, const std::string& context) {
        return json{
            {"method", "Target.targetCreated"},
            {"params", {{"targetInfo", {{"targetId", target}, {"browserContextId", context}}}}}};
    };
    const auto onSession = [](const std::string& session) {
        return json{{"method", "Page.loadEventFired"}, {"sessionId", session}};
    };
    const auto frameAttached = [](const std::string& page, const std::string& frame) {
        return json{{"method", "Target.attachedToTarget"},
                    {"sessionId", page},
                    {"params",
                     {{"sessionId", frame},
                      {"targetInfo", {{"targetId", "F" + frame}, {"type", "iframe"}}},
                      {"waitingForDebugger", true}}}};
    };
    const std::pair<json, ClientId> cases[] = {
        {onSession("SA"), kA},
        {onSession("SB"), kB},
        {onSession("S?"), 0},
        {created("TA2", "CA"), kA},  // a window A's page opened
        {created("T0", "C0"), 0},    // a page of the browser's own context
        {{{"method", "Target.targetDestroyed"}, {"params", {{"targetId", "TA2"}}}}, kA},
        {{{"method", "Target.attachedToTarget"},
          {"params", {{"sessionId", "SB2"}, {"targetInfo", {{"browserContextId", "CB"}}}}}},
         kB},
        {onSession("SB2"), kB},
        {{{"method", "Target.detachedFromTarget"}, {"params", {{"sessionId", "SB2"}}}}, kB},
        {onSession("SB2"), 0},
        // A frame of another site, which A's page session attached to by itself.
        {frameAttached("SA", "SA3"), kA},
        {onSession("SA3"), kA},
        {{{"method", "Target.detachedFromTarget"},
          {"sessionId", "SA"},
          {"params", {{"sessionId", "SA3"}}}},
         kA},
        {onSession("SA3"), 0},
        {frameAttached("SA", "SA4"), kA},
        {{{"method", "Browser.downloadWillBegin"}}, 0},
    };
    for (const auto& [event, expected] : cases) {
        const HostRouter::Routed routed = router.fromBrowser(event.dump());
        EXPECT_EQ(receiver(routed), expected) << event;
        if (expected != 0) {
            EXPECT_EQ(json::parse(routed.toClients.at(0).second), event);
        }
    }
    EXPECT_TRUE(router.fromBrowser("{not json").toClients.empty());
    // A window that was closed can no longer be named by A.
    EXPECT_TRUE(ask(kA, "Target.closeTarget", {{"targetId", "TA2"}}, {}).contains("error"));
    // A frame's session its page attached to is A's to use, and only A's.
    EXPECT_FALSE(ask(kA, "Runtime.runIfWaitingForDebugger", {}, {}, "SA4").contains("error"));
    EXPECT_TRUE(ask(kB, "Runtime.runIfWaitingForDebugger", {}, {}, "SA4").contains("error"));
}

TEST_F(HostRouterTest, AGoneCapturesContextsAreDisposedAndItsNewsGoesNowhere) {
    const auto pendingContext =
        router.fromClient(kA, R"({"id":9,"method":"Target.createBrowserContext"})");
    const auto pendingPage =
        router.fromClient(kA, R"({"id":10,"method":"Page.enable","sessionId":"SA"})");
    const HostRouter::Routed gone = router.clientGone(kA);
    ASSERT_EQ(gone.toBrowser.size(), 1U);
    const json disposal = json::parse(gone.toBrowser[0]);
    EXPECT_EQ(disposal.at("method"), "Target.disposeBrowserContext");
    EXPECT_EQ(disposal.at("params"), json({{"browserContextId", "CA"}}));
    EXPECT_EQ(receiver(router.fromBrowser(reply(idOf(pendingPage.toBrowser.at(0)), {}))), 0);
    EXPECT_EQ(receiver(router.fromBrowser(R"({"method":"Page.frameNavigated","sessionId":"SA"})")),
              0);
    // The context it asked for comes after it went: it goes too.
    const HostRouter::Routed late = router.fromBrowser(
        reply(idOf(pendingContext.toBrowser.at(0)), {{"browserContextId", "CA2"}}));
    EXPECT_EQ(json::parse(late.toBrowser.at(0)).at("params"), json({{"browserContextId", "CA2"}}));
    EXPECT_FALSE(ask(kB, "Page.enable", {}, {}, "SB").contains("error")) << "B goes on";
}

TEST(HostHelloTest, AHostServesOnlyACaptureOfItsOwnIdentity) {
    const HostIdentity ours = {
        "1.0 42", "/usr/bin/chromium-headless-shell", {"LANG=C", "TZ=UTC"}, {"nofile=1024"}};
    EXPECT_EQ(readHello(helloText(ours)), ours);
    for (const HostAnswer answer :
         {HostAnswer::Serving, HostAnswer::Starting, HostAnswer::Refused}) {
        EXPECT_EQ(readAnswer(answerText(ours, answer), ours), answer);
    }
    const HostIdentity others[] = {
        {"0.9 42", ours.browser, ours.environment, ours.limits},
        {ours.tool, "/usr/bin/chromium", ours.environment, ours.limits},
        {ours.tool, ours.browser, {"LANG=C", "TZ=Asia/Tokyo"}, ours.limits},
        {ours.tool, ours.browser, ours.environment, {"nofile=64"}}};
    for (const HostIdentity& other : others) {
        EXPECT_EQ(readAnswer(answerText(other, HostAnswer::Serving), ours), HostAnswer::Refused);
    }
    for (const std::string garbage : {"", "[1]", R"({"iecapt-host":"serving","identity":{}})"}) {
        EXPECT_EQ(readAnswer(garbage, ours), HostAnswer::Refused) << garbage;
        EXPECT_EQ(readHello(garbage), std::nullopt) << garbage;
    }
}

// Every variable counts but those that change nothing the browser does:
// proxies of any spelling, SOCKS and whatever else the browser reads.
TEST(HostHelloTest, TheIdentityHoldsAllOfTheEnvironmentThatReachesTheBrowser) {
    const std::vector<std::string> environment = {"SOCKS_SERVER=localhost:1080",
                                                  "HOME=/home/u",
                                                  "http_proxy=http://p:3128",
                                                  "SOCKS_VERSION=5",
                                                  "PWD=/tmp",
                                                  "XDG_CONFIG_HOME=/home/u/.config",
                                                  "Http_Proxy=x",
                                                  "IECAPT_HOST_IDLE=5",
                                                  "_=/usr/bin/iecapt",
                                                  "GTK_THEME=Adwaita",
                                                  "TMPDIR=/tmp/t"};
    const HostIdentity identity = capture_host::identityOf("1", "b", environment, {"b=2", "a=1"});
    EXPECT_EQ(identity.environment,
              (std::vector<std::string>{"GTK_THEME=Adwaita", "Http_Proxy=x",
                                        "SOCKS_SERVER=localhost:1080", "SOCKS_VERSION=5",
                                        "http_proxy=http://p:3128"}));
    EXPECT_EQ(identity.limits, (std::vector<std::string>{"a=1", "b=2"}));
}

}  // namespace
}  // namespace orlenda::iecapt
