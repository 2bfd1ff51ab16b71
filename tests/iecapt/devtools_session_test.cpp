// The DevTools session against a scripted browser: replies found by id among
// events, and each way a command can end.

#include "devtools_session.h"

#include <gtest/gtest.h>

#include <deque>

#include "exit_code.h"

namespace orlenda::iecapt {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

// Hands out the scripted messages in order, then the final status.
class ScriptedChannel : public MessageChannel {
public:
    std::deque<std::string> incoming;
    ChannelStatus whenEmpty = ChannelStatus::TimedOut;
    std::vector<json> sent;

    ChannelStatus send(std::string_view message, Deadline) override {
        sent.push_back(json::parse(message));
        return sendStatus;
    }
    ReceivedMessage receive(Deadline) override {
        if (incoming.empty()) return {whenEmpty, {}};
        ReceivedMessage message{ChannelStatus::Ok, incoming.front()};
        incoming.pop_front();
        return message;
    }

    ChannelStatus sendStatus = ChannelStatus::Ok;
};

class DevToolsSessionTest : public ::testing::Test {
protected:
    DevToolsSessionTest() {
        m_session.setEventHandler(
            [this](const json& event) { m_events.push_back(event["method"]); });
    }
    static Deadline soon() { return Deadline::after(1s); }

    ScriptedChannel m_channel;
    DevToolsSession m_session{m_channel, Deadline::after(1s)};
    std::vector<std::string> m_events;
};

TEST_F(DevToolsSessionTest, ACommandCarriesItsIdMethodParamsAndSession) {
    m_channel.incoming = {R"({"id":1,"result":{}})"};
    m_session.call("Page.navigate", {{"url", "http://a/"}}, soon(), "S1");
    ASSERT_EQ(m_channel.sent.size(), 1U);
    EXPECT_EQ(
        m_channel.sent[0],
        json::parse(
            R"({"id":1,"method":"Page.navigate","params":{"url":"http://a/"},"sessionId":"S1"})"));
}

TEST_F(DevToolsSessionTest, RepliesAreMatchedByIdAndEventsHandledInOrder) {
    const int first = m_session.post("A.first", json::object());
    const int second = m_session.post("A.second", json::object());
    m_channel.incoming = {R"({"method":"E.one","params":{}})", R"({"id":2,"result":{"n":2}})",
                          "not json at all", R"({"method":"E.two","params":{},"sessionId":"S"})",
                          R"({"id":1,"result":{"n":1}})"};
    EXPECT_EQ(m_session.replyTo(first, soon())["result"]["n"], 1);
    EXPECT_EQ(m_events, (std::vector<std::string>{"E.one", "E.two"}));
    EXPECT_EQ(m_session.replyTo(second, soon())["result"]["n"], 2);  // kept while waiting for 1
}

TEST_F(DevToolsSessionTest, WaitingEndsWhenTheConditionHoldsOrTheDeadlinePasses) {
    m_channel.incoming = {R"({"method":"E.one"})", R"({"method":"E.two"})",
                          R"({"method":"E.three"})"};
    EXPECT_TRUE(m_session.waitUntil([this] { return m_events.size() == 2; }, soon()));
    EXPECT_EQ(m_channel.incoming.size(), 1U);  // nothing read beyond what was needed
    EXPECT_FALSE(m_session.waitUntil([] { return false; }, soon()));
}

struct Ending {
    const char* name;
    std::deque<std::string> incoming;
    ChannelStatus whenEmpty;
    ChannelStatus sendStatus;
    ExitCode code;
    const char* message;
};

class CommandEndingTest : public DevToolsSessionTest,
                          public ::testing::WithParamInterface<Ending> {};

TEST_P(CommandEndingTest, EndsAsAFailureWithItsCode) {
    m_channel.incoming = GetParam().incoming;
    m_channel.whenEmpty = GetParam().whenEmpty;
    m_channel.sendStatus = GetParam().sendStatus;
    m_session.setActivity("loading the page");
    try {
        m_session.call("Page.captureScreenshot", json::object(), soon());
        FAIL() << "the command did not fail";
    } catch (const CaptureFailure& failure) {
        EXPECT_EQ(failure.code(), GetParam().code);
        EXPECT_STREQ(failure.what(), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandEndingTest,
    ::testing::Values(
        Ending{"ErrorReply",
               {R"({"id":1,"error":{"code":-32000,"message":"Unable to capture screenshot"}})"},
               ChannelStatus::TimedOut,
               ChannelStatus::Ok,
               ExitCode::BrowserFailed,
               "Page.captureScreenshot failed: Unable to capture screenshot"},
        Ending{"BrowserGoneBeforeTheReply",
               {R"({"method":"E.one"})"},
               ChannelStatus::Closed,
               ChannelStatus::Ok,
               ExitCode::BrowserFailed,
               "the browser quit while loading the page"},
        Ending{"BrowserGoneBeforeTheCommand",
               {},
               ChannelStatus::Closed,
               ChannelStatus::Closed,
               ExitCode::BrowserFailed,
               "the browser quit while loading the page"},
        Ending{"NoReplyInTime",
               {R"({"id":7,"result":{}})"},
               ChannelStatus::TimedOut,
               ChannelStatus::Ok,
               ExitCode::TimedOut,
               "timed out while loading the page"}),
    [](const ::testing::TestParamInfo<Ending>& info) { return std::string(info.param.name); });

TEST_F(DevToolsSessionTest, ASignalEndsAnyWait) {
    m_channel.whenEmpty = ChannelStatus::Interrupted;
    EXPECT_THROW(m_session.call("Browser.getVersion", json::object(), soon()), CaptureInterrupted);
    EXPECT_THROW(m_session.waitUntil([] { return false; }, soon()), CaptureInterrupted);
}

}  // namespace
}  // namespace orlenda::iecapt
