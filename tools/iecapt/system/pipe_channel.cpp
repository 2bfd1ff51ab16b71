#include "system/pipe_channel.h"

namespace orlenda::iecapt {

std::optional<ChannelStatus> PipeChannel::waitRefused(Deadline deadline) const {
    if (m_closed) return ChannelStatus::Closed;
    if (m_ends->interrupted()) return ChannelStatus::Interrupted;
    // A browser that never stops sending would otherwise keep every wait
    // busy past its deadline.
    if (deadline.expired()) return ChannelStatus::TimedOut;
    return std::nullopt;
}

ChannelStatus PipeChannel::send(std::string_view message, Deadline deadline) {
    const std::string framed = frameMessage(message);
    std::string_view left = framed;
    while (!left.empty()) {
        if (const auto refused = waitRefused(deadline)) return *refused;
        const ChannelStatus status = m_ends->writeSome(left, deadline);
        if (status == ChannelStatus::Closed) m_closed = true;
        if (status != ChannelStatus::Ok) return status;
    }
    return ChannelStatus::Ok;
}

ReceivedMessage PipeChannel::receive(Deadline deadline) {
    for (;;) {
        if (auto message = m_framer.next()) {
            return {ChannelStatus::Ok, std::move(*message), m_framer.takeData()};
        }
        if (const auto refused = waitRefused(deadline)) return {*refused, {}, {}};
        const ChannelStatus status = m_ends->readSome(m_framer, deadline);
        if (status == ChannelStatus::Closed) m_closed = true;
        if (status != ChannelStatus::Ok && status != ChannelStatus::Closed) return {status, {}, {}};
    }
}

}  // namespace orlenda::iecapt
