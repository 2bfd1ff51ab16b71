#pragma once

#include <vector>

#include "message_channel.h"
#include "message_framer.h"

namespace orlenda::iecapt {

// The browser's end of --remote-debugging-pipe: we write to its fd 3 and read
// its fd 4. Every wait also watches the interrupt descriptor, so a signal ends
// it at once. Owns both pipe descriptors.
class PipeChannel : public MessageChannel {
public:
    PipeChannel(int toBrowserFd, int fromBrowserFd, int interruptFd);
    ~PipeChannel() override;
    PipeChannel(const PipeChannel&) = delete;
    PipeChannel& operator=(const PipeChannel&) = delete;

    ChannelStatus send(std::string_view message, Deadline deadline) override;
    ReceivedMessage receive(Deadline deadline) override;

private:
    ChannelStatus waitFor(int fd, short events, Deadline deadline) const;

    int m_toBrowserFd;
    int m_fromBrowserFd;
    int m_interruptFd;
    bool m_closed = false;
    MessageFramer m_framer;
    // Kept between reads: a screenshot arrives in hundreds of reads.
    std::vector<char> m_readBuffer;
};

}  // namespace orlenda::iecapt
