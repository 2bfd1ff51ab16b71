// The DevTools session against a scripted browser: replies found by id among
// events, and each way a command can end.

#include "protocol/devtools_session.h"

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <utility>

#include "common/exit_code.h"

namespace orlenda::iecapt {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

// Hands out the scripted messages in order, then the final status.
class ScriptedChannel : public MessageChannel {
public:
    ChannelStatus send(std::string_view message, Deadline) override {
        sent.push_back(json::parse(message));
        return sendStatus;
    }
    ReceivedMessage receive(Deadline) override {
        if (incoming.empty()) return {whenEmpty, {}, {}};
        ReceivedMessage message{ChannelStatus::Ok, incoming.front(), std::exchange(decoded, {})};
        incoming.pop_front();
        return message;
    }
    void decodeDataOf(int id) override { decodedFor.push_back(id); }

    std::deque<std::string> incoming;
    ChannelStatus whenEmpty = ChannelStatus::TimedOut;
    ChannelStatus sendStatus = ChannelStatus::Ok;
    std::vector<json> sent;
    std::optional<std::string> decoded;  // handed out with the next message
    std::vector<int> decodedFor;
};

Deadline soon() { return Deadline::after(1s); }

TEST(DevToolsSessionTest, FindsRepliesByIdAndHandlesEventsInOrderReadingNoMoreThanNeeded) {
    ScriptedChannel channel;
    DevToolsSession session(channel, soon());
    std::vector<std::string> events;
    session.setEventHandler([&](const json& event) { events.push_back(event["method"]); });
    const int first = session.post("Page.navigate", {{"url", "http://a/"}}, "S1");
    const int second = session.post("A.second", json::object());
    EXPECT_EQ(channel.sent[0], json::parse(R"({"id":1,"method":"Page.navigate",
                                               "params":{"url":"http://a/"},"sessionId":"S1"})"));
    channel.incoming = {R"({"method":"E1"})", R"({"id":2,"result":2})", "not json",
                        R"({"method":"E2"})", R"({"id":1,"result":1})", R"({"method":"E3"})",
                        R"({"method":"E4"})"};
    EXPECT_EQ(session.replyTo(first, soon())["result"], 1);
    EXPECT_EQ(events, (std::vector<std::string>{"E1", "E2"}));
    EXPECT_EQ(session.replyTo(second, soon())["result"], 2);  // kept while waiting for 1
    EXPECT_TRUE(session.waitUntil([&] { return events.size() == 3; }, soon()));
    EXPECT_EQ(channel.incoming.size(), 1U);
    EXPECT_FALSE(session.waitUntil([] { return false; }, soon()));
}

TEST(DevToolsSessionTest, ACommandThatCannotSucceedEndsAsAFailureWithItsCode) {
    using S = ChannelStatus;
    using E = ExitCode;
    const struct {
        std::string received;  // before the channel answers with whenEmpty
        S whenEmpty, sendStatus;
        E code;
        const char* message;
    } cases[] = {
        {R"({"id":1,"error":{"message":"no"}})", S::TimedOut, S::Ok, E::BrowserFailed,
         "X.y failed: no"},
        {R"({"method":"E1"})", S::Closed, S::Ok, E::BrowserFailed,
         "the browser quit while loading"},
        {"", S::Closed, S::Closed, E::BrowserFailed, "the browser quit while loading"},
        {R"({"id":7,"result":{}})", S::TimedOut, S::Ok, E::TimedOut, "timed out while loading"},
    };
    for (const auto& row : cases) {
        ScriptedChannel channel;
        if (!row.received.empty()) channel.incoming.push_back(row.received);
        channel.whenEmpty = row.whenEmpty;
        channel.sendStatus = row.sendStatus;
        DevToolsSession session(channel, soon());
        session.setActivity("loading");
        try {
            session.call("X.y", json::object(), soon());
            ADD_FAILURE() << row.message << ": the command did not fail";
        } catch (const CaptureFailure& failure) {
            EXPECT_EQ(failure.code(), row.code) << row.message;
            EXPECT_STREQ(failure.what(), row.message);
        }
    }
}

// The data comes decoded by the channel, or, from one that left it in the
// text, decoded from there.
TEST(DevToolsSessionTest, ACallForDataReturnsItDecodedWhereverItWasDecoded) {
    const struct {
        std::string reply;
        std::optional<std::string> decoded;
        std::string data;
    } cases[] = {
        {R"({"id":1,"result":{"data":""}})", "foo", "foo"},
        {R"({"id":1,"result":{"data":"Zm9v"}})", std::nullopt, "foo"},
        {R"({"id":1,"result":{"data":"Zm9v="}})", std::nullopt, ""},
        {R"({"id":1,"result":{"data":7}})", std::nullopt, ""},
        {R"({"id":1,"result":{}})", std::nullopt, ""},
    };
    for (const auto& row : cases) {
        ScriptedChannel channel;
        channel.incoming = {row.reply};
        channel.decoded = row.decoded;
        DevToolsSession session(channel, soon());
        EXPECT_EQ(session.callForData("Page.captureScreenshot", json::object(), soon()), row.data)
            << row.reply;
        EXPECT_EQ(channel.decodedFor, std::vector<int>{1});
    }
}

}  // namespace
}  // namespace orlenda::iecapt
