#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "common/native_handle.h"
#include "protocol/message_channel.h"
#include "protocol/message_framer.h"

namespace orlenda::iecapt {

// The platform's side of the pipe (posix/, win/): one transfer at a time,
// each waited for no later than its deadline and given up at once on the
// interrupt.
class PipeEnds {
public:
    virtual ~PipeEnds() = default;
    // Whether the interrupt has come.
    virtual bool interrupted() const = 0;
    // Writes the first of the bytes once the pipe takes them, and drops them
    // from the view.
    virtual ChannelStatus writeSome(std::string_view& bytes, Deadline deadline) = 0;
    // Hands what arrived to the framer, once something has.
    virtual ChannelStatus readSome(MessageFramer& framer, Deadline deadline) = 0;
};

// Takes over both pipe ends; the interrupt stays the caller's.
std::unique_ptr<PipeEnds> openPipeEnds(NativeHandle toBrowser, NativeHandle fromBrowser,
                                       NativeHandle interrupt);

// The browser's end of --remote-debugging-pipe: we write to its fd 3 and read
// its fd 4. Every wait also watches the interrupt, so a signal ends it at
// once, and none outlasts its deadline, however much the browser sends. Owns
// both pipe ends.
class PipeChannel : public MessageChannel {
public:
    PipeChannel(NativeHandle toBrowser, NativeHandle fromBrowser, NativeHandle interrupt)
        : m_ends(openPipeEnds(toBrowser, fromBrowser, interrupt)) {}

    ChannelStatus send(std::string_view message, Deadline deadline) override;
    ReceivedMessage receive(Deadline deadline) override;
    void decodeDataOf(int id) override { m_framer.decodeDataOf(id); }

private:
    // Why the next wait must not begin, if it must not.
    std::optional<ChannelStatus> waitRefused(Deadline deadline) const;

    std::unique_ptr<PipeEnds> m_ends;
    bool m_closed = false;
    MessageFramer m_framer;
};

}  // namespace orlenda::iecapt
