// The pipe transport: NUL-ended messages split across reads or sharing one,
// and every way a wait on the pipe ends.

#include "system/pipe_channel.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <optional>
#include <thread>

#include "common/exit_code.h"
#include "protocol/devtools_session.h"
#include "protocol/message_framer.h"

namespace orlenda::iecapt {
namespace {

using namespace std::chrono_literals;

TEST(MessageFramerTest, MessagesComeOutWholeHoweverTheReadsCutThem) {
    const std::vector<std::string> messages = {
        "{\"id\":1}", "", "{\"data\":\"" + std::string(1 << 20, 'A') + "\"}", "{}"};
    std::string stream;
    for (const std::string& message : messages) stream += frameMessage(message);
    for (const std::size_t piece : {std::size_t{1}, std::size_t{4093}, stream.size()}) {
        MessageFramer framer;
        std::vector<std::string> received;
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            framer.append(std::string_view(stream).substr(at, piece));
            while (auto next = framer.next()) received.push_back(std::move(*next));
        }
        EXPECT_TRUE(received == messages) << "in pieces of " << piece;
    }
}

// A browser that floods the pipe without ever ending a message is refused
// once the message outgrows the limit, however the reads cut it; so is one
// that ends it, when a single read brings it whole.
TEST(MessageFramerTest, AMessageLongerThanTheLimitIsRefused) {
    const std::pair<std::string, bool> streams[] = {
        {std::string(64, 'A') + '\0' + std::string(64, 'B') + '\0', false},
        {std::string(65, 'A'), true},
        {std::string(65, 'A') + '\0', true},
        {std::string(64, 'A') + '\0' + std::string(65, 'B'), true},
    };
    for (const auto& [stream, refused] : streams) {
        for (const std::size_t piece : {std::size_t{1}, std::size_t{10}, stream.size()}) {
            MessageFramer framer(64);
            std::optional<ExitCode> failure;
            try {
                for (std::size_t at = 0; at < stream.size(); at += piece) {
                    framer.append(std::string_view(stream).substr(at, piece));
                    while (framer.next()) {
                    }
                }
            } catch (const CaptureFailure& refusal) {
                failure = refusal.code();
            }
            EXPECT_EQ(failure, refused ? std::optional(ExitCode::BrowserFailed) : std::nullopt)
                << stream.size() << " bytes in pieces of " << piece;
        }
    }
}

// The capture host leaves such a message out and goes on: its ends still
// tell whom it concerned.
TEST(MessageFramerTest, AMessageLongerThanTheLimitCanBeLeftOutByItsEnds) {
    const std::string tooLong = "{\"id\":7," + std::string(9000, 'x') + "\"S\"}";
    const std::string stream = frameMessage("a") + frameMessage(tooLong) + frameMessage("b");
    for (const std::size_t piece : {std::size_t{1}, std::size_t{4093}, stream.size()}) {
        MessageFramer framer(64, MessageFramer::TooLong::Drop);
        std::string received;
        std::vector<DroppedMessage> left;
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            framer.append(std::string_view(stream).substr(at, piece));
            while (auto next = framer.next()) received += *next;
            for (DroppedMessage& out : framer.takeDropped()) left.push_back(std::move(out));
        }
        EXPECT_EQ(received, "ab") << piece;
        EXPECT_EQ(left, (std::vector<DroppedMessage>{{tooLong.substr(0, 4096),
                                                      tooLong.substr(tooLong.size() - 4096),
                                                      tooLong.size()}}))
            << piece;
    }
}

// The data of an awaited reply is decoded as it arrives, however the reads
// cut the stream: mid-group, mid-escape, mid-start; every other message,
// and the data of a reply not awaited, comes out as it was sent.
TEST(MessageFramerTest, TheDataOfAnAwaitedReplyIsDecodedAsItArrives) {
    struct Out {
        std::string text;
        std::optional<std::string> data;
        bool operator==(const Out&) const = default;
    };
    const std::string stream =
        frameMessage(R"({"method":"E","params":{"data":"Zm9v"}})") +
        frameMessage(R"({"id":3,"error":{"message":"no"}})") +
        frameMessage(R"({"id":12,"result":{"data":"YWI\/Y2Q\/"},"sessionId":"S"})") +
        frameMessage(R"({"id":4,"result":{"data":"Zm9v"}})") +
        frameMessage(R"({"id":5,"result":{"data":"Zm\u0039v"}})") +
        frameMessage(R"({"id":6,"result":{"data":"YmFy"}})");
    const std::vector<Out> expected = {
        {R"({"method":"E","params":{"data":"Zm9v"}})", std::nullopt},
        {R"({"id":3,"error":{"message":"no"}})", std::nullopt},
        {R"({"id":12,"result":{"data":""},"sessionId":"S"})", "ab?cd?"},
        {R"({"id":4,"result":{"data":"Zm9v"}})", std::nullopt},  // not awaited
        {R"({"id":5,"result":{"data":""}})", ""},                // no base64: refused
        {R"({"id":6,"result":{"data":""}})", "bar"}};
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        for (const std::size_t piece : {std::size_t{1}, std::size_t{3}, stream.size()}) {
            MessageFramer framer;
            for (const int id : {3, 12, 5, 6}) framer.decodeDataOf(id);
            std::vector<Out> received;
            const auto add = [&](std::string_view bytes) {
                for (std::size_t at = 0; at < bytes.size(); at += piece) {
                    framer.append(bytes.substr(at, piece));
                    while (auto next = framer.next())
                        received.push_back({*next, framer.takeData()});
                }
            };
            add(std::string_view(stream).substr(0, cut));
            add(std::string_view(stream).substr(cut));
            EXPECT_TRUE(received == expected) << "cut at " << cut << ", pieces of " << piece;
        }
    }
}

TEST(PipeChannelTest, AWaitEndsAtItsDeadlineAtOnceOnASignalAndWhenTheBrowserHasGone) {
    int toBrowser[2], fromBrowser[2], interrupt[2];
    for (int* ends : {toBrowser, fromBrowser, interrupt}) ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    PipeChannel channel(toBrowser[1], fromBrowser[0], interrupt[0]);  // closes those two
    const auto started = Deadline::Clock::now();
    EXPECT_EQ(channel.receive(Deadline::after(50ms)).status, ChannelStatus::TimedOut);
    EXPECT_GE(Deadline::Clock::now() - started, 50ms);

    ASSERT_EQ(::write(fromBrowser[1], "{\"last\":1}\0{\"cut", 16), 16);
    ASSERT_EQ(::write(interrupt[1], "!", 1), 1);
    EXPECT_EQ(channel.receive(Deadline::after(10s)).status, ChannelStatus::Interrupted);
    char signalled;
    ASSERT_EQ(::read(interrupt[0], &signalled, 1), 1);

    ::close(fromBrowser[1]);
    EXPECT_EQ(channel.receive(Deadline::after(2s)).text, "{\"last\":1}");
    EXPECT_EQ(channel.receive(Deadline::after(2s)).status, ChannelStatus::Closed);
    ::close(toBrowser[0]);
    std::signal(SIGPIPE, SIG_IGN);  // as the tool does
    EXPECT_EQ(channel.send("{}", Deadline::after(2s)), ChannelStatus::Closed);
    for (const int fd : interrupt) ::close(fd);
}

TEST(PipeChannelTest, ABrowserThatNeverStopsSendingCannotKeepAWaitPastItsDeadline) {
    int toBrowser[2], fromBrowser[2], interrupt[2];
    for (int* ends : {toBrowser, fromBrowser, interrupt}) ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    std::signal(SIGPIPE, SIG_IGN);  // as the tool does: the flood ends on EPIPE
    // Events faster than the session can take them, for ten seconds at most.
    std::jthread flood([end = fromBrowser[1]] {
        std::string events;
        while (events.size() < (1 << 20))
            events += frameMessage(R"({"method":"Page.frameResized"})");
        const Deadline stop = Deadline::after(10s);
        while (!stop.expired() && ::write(end, events.data(), events.size()) > 0) {
        }
        ::close(end);
    });
    PipeChannel channel(toBrowser[1], fromBrowser[0], interrupt[0]);
    DevToolsSession session(channel, Deadline::after(1s));
    const auto started = Deadline::Clock::now();
    EXPECT_FALSE(session.waitUntil([] { return false; }, Deadline::after(200ms)));
    EXPECT_LT(Deadline::Clock::now() - started, 5s) << "the flood held the wait past its deadline";
    for (const int fd : {toBrowser[0], interrupt[0], interrupt[1]}) ::close(fd);
}

}  // namespace
}  // namespace orlenda::iecapt
