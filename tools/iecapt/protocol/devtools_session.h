#pragma once

#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "common/deadline.h"
#include "protocol/message_channel.h"

namespace orlenda::iecapt {

// Commands, replies and events of the DevTools protocol over a channel. Every
// wait takes a deadline; a browser that is gone, a deadline that passed and a
// signal each end the wait with a CaptureFailure or CaptureInterrupted.
class DevToolsSession {
public:
    using EventHandler = std::function<void(const nlohmann::json& event)>;
    using ReplyHandler = std::function<void(const nlohmann::json& reply)>;

    // Sending waits for the pipe no later than the deadline of the whole capture.
    DevToolsSession(MessageChannel& channel, Deadline sendDeadline)
        : m_channel(channel), m_sendDeadline(sendDeadline) {}

    // Receives every event (a message with a method and no id), in order.
    void setEventHandler(EventHandler handler) { m_eventHandler = std::move(handler); }

    // Sends a command without waiting for its reply; returns its id.
    int post(std::string_view method, const nlohmann::json& params,
             const std::string& sessionId = {});
    // Sends a command whose reply goes to the handler when it comes, in the
    // middle of whatever wait is going on then.
    void post(std::string_view method, const nlohmann::json& params, const std::string& sessionId,
              ReplyHandler onReply);
    // Waits for the reply to a posted command: {"result": ...} or {"error": ...}.
    nlohmann::json replyTo(int id, Deadline deadline);
    // The result of a posted command; an error reply throws.
    nlohmann::json resultOf(std::string_view method, int id, Deadline deadline);
    // Sends a command and returns its result; an error reply is a failure.
    nlohmann::json call(std::string_view method, const nlohmann::json& params, Deadline deadline,
                        const std::string& sessionId = {});
    // Sends a command whose result is base64 data, {"data": ...} (a
    // screenshot), and returns the data decoded as it arrived: empty when
    // it is not base64. An error reply is a failure.
    std::string callForData(std::string_view method, const nlohmann::json& params,
                            Deadline deadline, const std::string& sessionId = {});
    // Handles incoming messages until the condition holds (true) or the
    // deadline passes (false).
    bool waitUntil(const std::function<bool()>& condition, Deadline deadline);

    // Takes one message from the channel: a reply is kept, an event handled.
    // False when the deadline passed first.
    bool handleNextMessage(Deadline deadline);

    // Whether the browser has said anything at all: one that has not never
    // really started.
    bool everAnswered() const { return m_everAnswered; }

    // What a timed-out wait was doing, for the message.
    void setActivity(std::string activity) { m_activity = std::move(activity); }

private:
    [[noreturn]] void failTimedOut() const;

    MessageChannel& m_channel;
    Deadline m_sendDeadline;
    EventHandler m_eventHandler;
    std::map<int, nlohmann::json> m_replies;
    std::map<int, std::string> m_replyData;  // what the channel decoded out of a reply
    std::map<int, ReplyHandler> m_replyHandlers;
    int m_nextId = 1;
    bool m_everAnswered = false;
    std::string m_activity = "starting up";
};

// The message of an error reply, for a one-line report.
std::string protocolErrorText(const nlohmann::json& reply);

}  // namespace orlenda::iecapt
