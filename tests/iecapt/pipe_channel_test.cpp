// The pipe transport: NUL-ended messages split across reads or sharing one,
// and every way a wait on the pipe ends.

#include "pipe_channel.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>

#include "message_framer.h"

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

}  // namespace
}  // namespace orlenda::iecapt
