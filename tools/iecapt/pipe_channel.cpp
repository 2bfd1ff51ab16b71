#include "pipe_channel.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace orlenda::iecapt {
namespace {

constexpr std::size_t kReadChunk = 1 << 20;

}  // namespace

PipeChannel::PipeChannel(int toBrowserFd, int fromBrowserFd, int interruptFd)
    : m_toBrowserFd(toBrowserFd), m_fromBrowserFd(fromBrowserFd), m_interruptFd(interruptFd) {
    for (const int fd : {m_toBrowserFd, m_fromBrowserFd}) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    // Screenshots are megabytes: a larger pipe means fewer wake-ups. Best effort.
    ::fcntl(m_fromBrowserFd, F_SETPIPE_SZ, static_cast<int>(kReadChunk));
}

PipeChannel::~PipeChannel() {
    ::close(m_toBrowserFd);
    ::close(m_fromBrowserFd);
}

ChannelStatus PipeChannel::waitFor(int fd, short events, Deadline deadline) const {
    for (;;) {
        pollfd fds[2] = {{m_interruptFd, POLLIN, 0}, {fd, events, 0}};
        const int ready = ::poll(fds, 2, deadline.pollTimeout());
        if (ready < 0 && errno == EINTR) continue;
        if (fds[0].revents != 0) return ChannelStatus::Interrupted;
        if (ready < 0) return ChannelStatus::Closed;
        if (ready == 0) return ChannelStatus::TimedOut;
        return ChannelStatus::Ok;
    }
}

ChannelStatus PipeChannel::send(std::string_view message, Deadline deadline) {
    if (m_closed) return ChannelStatus::Closed;
    const std::string framed = frameMessage(message);
    std::string_view left = framed;
    while (!left.empty()) {
        const ssize_t written = ::write(m_toBrowserFd, left.data(), left.size());
        if (written > 0) {
            left.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        if (written < 0 && errno == EINTR) continue;
        if (written < 0 && errno != EAGAIN) {
            m_closed = true;
            return ChannelStatus::Closed;
        }
        const ChannelStatus waited = waitFor(m_toBrowserFd, POLLOUT, deadline);
        if (waited != ChannelStatus::Ok) return waited;
    }
    return ChannelStatus::Ok;
}

ReceivedMessage PipeChannel::receive(Deadline deadline) {
    for (;;) {
        if (auto message = m_framer.next()) return {ChannelStatus::Ok, std::move(*message)};
        if (m_closed) return {ChannelStatus::Closed, {}};
        const ChannelStatus waited = waitFor(m_fromBrowserFd, POLLIN, deadline);
        if (waited != ChannelStatus::Ok) return {waited, {}};
        if (m_readBuffer.empty()) m_readBuffer.resize(kReadChunk);
        const ssize_t got = ::read(m_fromBrowserFd, m_readBuffer.data(), m_readBuffer.size());
        if (got > 0) {
            m_framer.append(std::string_view(m_readBuffer.data(), static_cast<std::size_t>(got)));
        } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
            m_closed = true;
        }
    }
}

}  // namespace orlenda::iecapt
