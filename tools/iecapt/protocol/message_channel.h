#pragma once

#include <string>
#include <string_view>

#include "common/deadline.h"

namespace orlenda::iecapt {

enum class ChannelStatus { Ok, Closed, TimedOut, Interrupted };

struct ReceivedMessage {
    ChannelStatus status = ChannelStatus::Closed;
    std::string text;  // the message when the status is Ok
};

// Carries whole messages to and from the browser. The DevTools session talks
// through this, so its logic can be tried against a scripted peer.
class MessageChannel {
public:
    virtual ~MessageChannel() = default;
    virtual ChannelStatus send(std::string_view message, Deadline deadline) = 0;
    virtual ReceivedMessage receive(Deadline deadline) = 0;
};

}  // namespace orlenda::iecapt
