#include "system/pipe_channel.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "shared/posix/unique_fd.h"

namespace orlenda::iecapt {
namespace {

constexpr std::size_t kReadChunk = 1 << 20;

// Non-blocking descriptors, waited on with poll() beside the interrupt.
class PosixPipeEnds : public PipeEnds {
public:
    PosixPipeEnds(int toBrowserFd, int fromBrowserFd, int interruptFd)
        : m_toBrowser(toBrowserFd), m_fromBrowser(fromBrowserFd), m_interruptFd(interruptFd) {
        for (const int fd : {toBrowserFd, fromBrowserFd}) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
        // Screenshots are megabytes: a larger pipe means fewer wake-ups. Best effort.
        ::fcntl(fromBrowserFd, F_SETPIPE_SZ, static_cast<int>(kReadChunk));
    }

    bool interrupted() const override {
        pollfd interrupt = {m_interruptFd, POLLIN, 0};
        return ::poll(&interrupt, 1, 0) > 0;
    }

    ChannelStatus writeSome(std::string_view& bytes, Deadline deadline) override {
        const ssize_t written = ::write(m_toBrowser.get(), bytes.data(), bytes.size());
        if (written > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
            return ChannelStatus::Ok;
        }
        if (written < 0 && errno != EINTR && errno != EAGAIN) return ChannelStatus::Closed;
        return waitFor(m_toBrowser.get(), POLLOUT, deadline);
    }

    ChannelStatus readSome(MessageFramer& framer, Deadline deadline) override {
        const ChannelStatus waited = waitFor(m_fromBrowser.get(), POLLIN, deadline);
        if (waited != ChannelStatus::Ok) return waited;
        if (m_readBuffer.empty()) m_readBuffer.resize(kReadChunk);
        const ssize_t got = ::read(m_fromBrowser.get(), m_readBuffer.data(), m_readBuffer.size());
        if (got > 0) {
            framer.append(std::string_view(m_readBuffer.data(), static_cast<std::size_t>(got)));
        } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
            return ChannelStatus::Closed;
        }
        return ChannelStatus::Ok;
    }

private:
    ChannelStatus waitFor(int fd, short events, Deadline deadline) const {
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

    UniqueFd m_toBrowser;
    UniqueFd m_fromBrowser;
    int m_interruptFd;
    // Kept between reads: a screenshot arrives in hundreds of reads.
    std::vector<char> m_readBuffer;
};

}  // namespace

std::unique_ptr<PipeEnds> openPipeEnds(int toBrowser, int fromBrowser, int interrupt) {
    return std::make_unique<PosixPipeEnds>(toBrowser, fromBrowser, interrupt);
}

}  // namespace orlenda::iecapt
