#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/deadline.h"

namespace orlenda::iecapt {

enum class ChannelStatus { Ok, Closed, TimedOut, Interrupted };

struct ReceivedMessage {
    ChannelStatus status = ChannelStatus::Closed;
    std::string text;  // the message when the status is Ok
    // The data of a reply the channel decoded as it arrived (see decodeDataOf).
    std::optional<std::string> data;
};

// Carries whole messages to and from the browser. The DevTools session talks
// through this, so its logic can be tried against a scripted peer.
class MessageChannel {
public:
    virtual ~MessageChannel() = default;
    virtual ChannelStatus send(std::string_view message, Deadline deadline) = 0;
    virtual ReceivedMessage receive(Deadline deadline) = 0;
    // The reply to this command, when it begins {"id":N,"result":{"data":",
    // comes with that base64 data decoded, and "" in its place in the text.
    // A channel that cannot leaves it in the text.
    virtual void decodeDataOf(int /*id*/) {}
};

}  // namespace orlenda::iecapt
