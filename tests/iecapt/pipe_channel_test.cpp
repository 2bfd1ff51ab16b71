// The pipe transport: NUL-ended messages split across reads or sharing one,
// and every way a wait on the pipe ends.

#include "pipe_channel.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <thread>

#include "message_framer.h"

namespace orlenda::iecapt {
namespace {

using namespace std::chrono_literals;

TEST(MessageFramerTest, SplitsJoinedMessagesAndJoinsSplitOnes) {
    MessageFramer framer;
    framer.append(std::string_view("{\"id\":1}\0{\"id\"", 14));
    EXPECT_EQ(framer.next(), "{\"id\":1}");
    EXPECT_EQ(framer.next(), std::nullopt);
    EXPECT_EQ(framer.pendingBytes(), 5U);
    framer.append(std::string_view(":2}\0\0{\"id\":3}\0", 14));
    EXPECT_EQ(framer.next(), "{\"id\":2}");
    EXPECT_EQ(framer.next(), "");
    EXPECT_EQ(framer.next(), "{\"id\":3}");
    EXPECT_EQ(framer.next(), std::nullopt);
    EXPECT_EQ(framer.pendingBytes(), 0U);
}

TEST(MessageFramerTest, ALargeMessageInManySmallPiecesArrivesWhole) {
    std::string message = "{\"data\":\"" + std::string(5 << 20, 'A') + "\"}";
    const std::string framed = frameMessage(message) + frameMessage("{}");
    MessageFramer framer;
    std::vector<std::string> received;
    for (std::size_t at = 0; at < framed.size(); at += 4093) {
        framer.append(std::string_view(framed).substr(at, 4093));
        while (auto next = framer.next()) received.push_back(std::move(*next));
    }
    ASSERT_EQ(received.size(), 2U);
    EXPECT_EQ(received[0], message);
    EXPECT_EQ(received[1], "{}");
}

class PipeChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::pipe2(m_toBrowser, O_CLOEXEC), 0);
        ASSERT_EQ(::pipe2(m_fromBrowser, O_CLOEXEC), 0);
        ASSERT_EQ(::pipe2(m_interrupt, O_CLOEXEC), 0);
        m_channel = std::make_unique<PipeChannel>(m_toBrowser[1], m_fromBrowser[0], m_interrupt[0]);
    }
    void TearDown() override {
        m_channel.reset();
        for (const int fd : {m_toBrowser[0], m_fromBrowser[1], m_interrupt[0], m_interrupt[1]}) {
            if (fd >= 0) ::close(fd);
        }
    }
    void browserWrites(std::string_view bytes) const {
        ASSERT_EQ(::write(m_fromBrowser[1], bytes.data(), bytes.size()),
                  static_cast<ssize_t>(bytes.size()));
    }
    static Deadline soon() { return Deadline::after(2s); }

    int m_toBrowser[2] = {-1, -1};
    int m_fromBrowser[2] = {-1, -1};
    int m_interrupt[2] = {-1, -1};
    std::unique_ptr<PipeChannel> m_channel;
};

TEST_F(PipeChannelTest, SendsEachMessageWithItsNul) {
    EXPECT_EQ(m_channel->send("{\"id\":1}", soon()), ChannelStatus::Ok);
    EXPECT_EQ(m_channel->send("{\"id\":2}", soon()), ChannelStatus::Ok);
    char buffer[64] = {};
    const ssize_t got = ::read(m_toBrowser[0], buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(got)),
              std::string("{\"id\":1}\0{\"id\":2}\0", 18));
}

TEST_F(PipeChannelTest, ReceivesMessagesWrittenInPieces) {
    std::thread browser([this] {
        browserWrites(std::string_view("{\"a\":", 5));
        std::this_thread::sleep_for(20ms);
        browserWrites(std::string_view("1}\0{\"b\":2}\0", 11));
    });
    const ReceivedMessage first = m_channel->receive(soon());
    const ReceivedMessage second = m_channel->receive(soon());
    browser.join();
    EXPECT_EQ(first.status, ChannelStatus::Ok);
    EXPECT_EQ(first.text, "{\"a\":1}");
    EXPECT_EQ(second.text, "{\"b\":2}");
}

TEST_F(PipeChannelTest, AGoneBrowserClosesTheChannelAfterItsLastMessage) {
    browserWrites(std::string_view("{\"last\":1}\0{\"cut", 16));
    ::close(m_fromBrowser[1]);
    m_fromBrowser[1] = -1;
    EXPECT_EQ(m_channel->receive(soon()).text, "{\"last\":1}");
    EXPECT_EQ(m_channel->receive(soon()).status, ChannelStatus::Closed);
    ::close(m_toBrowser[0]);
    m_toBrowser[0] = -1;
    std::signal(SIGPIPE, SIG_IGN);  // as the tool does
    EXPECT_EQ(m_channel->send("{}", soon()), ChannelStatus::Closed);
}

TEST_F(PipeChannelTest, AWaitEndsAtItsDeadline) {
    const auto started = Deadline::Clock::now();
    EXPECT_EQ(m_channel->receive(Deadline::after(50ms)).status, ChannelStatus::TimedOut);
    EXPECT_GE(Deadline::Clock::now() - started, 50ms);
}

TEST_F(PipeChannelTest, AWaitEndsWhenInterrupted) {
    ASSERT_EQ(::write(m_interrupt[1], "!", 1), 1);
    browserWrites(std::string_view("{}\0", 3));
    EXPECT_EQ(m_channel->receive(Deadline::after(10s)).status, ChannelStatus::Interrupted);
}

}  // namespace
}  // namespace orlenda::iecapt
