#include "protocol/devtools_session.h"

#include "common/exit_code.h"
#include "common/message_text.h"
#include "protocol/base64.h"

namespace orlenda::iecapt {

int DevToolsSession::post(std::string_view method, const nlohmann::json& params,
                          const std::string& sessionId) {
    const int id = m_nextId++;
    nlohmann::json command = {{"id", id}, {"method", method}, {"params", params}};
    if (!sessionId.empty()) command["sessionId"] = sessionId;
    switch (m_channel.send(command.dump(), m_sendDeadline)) {
        case ChannelStatus::Ok:
            return id;
        case ChannelStatus::Interrupted:
            throw CaptureInterrupted();
        case ChannelStatus::TimedOut:
            failTimedOut();
        case ChannelStatus::Closed:
            break;
    }
    throw CaptureFailure(ExitCode::BrowserFailed, describeBrowserQuit(m_activity));
}

void DevToolsSession::post(std::string_view method, const nlohmann::json& params,
                           const std::string& sessionId, ReplyHandler onReply) {
    m_replyHandlers[post(method, params, sessionId)] = std::move(onReply);
}

nlohmann::json DevToolsSession::replyTo(int id, Deadline deadline) {
    for (;;) {
        if (const auto found = m_replies.find(id); found != m_replies.end()) {
            nlohmann::json reply = std::move(found->second);
            m_replies.erase(found);
            return reply;
        }
        if (!handleNextMessage(deadline)) failTimedOut();
    }
}

nlohmann::json DevToolsSession::call(std::string_view method, const nlohmann::json& params,
                                     Deadline deadline, const std::string& sessionId) {
    return resultOf(method, post(method, params, sessionId), deadline);
}

std::string DevToolsSession::callForData(std::string_view method, const nlohmann::json& params,
                                         Deadline deadline, const std::string& sessionId) {
    const int id = post(method, params, sessionId);
    m_channel.decodeDataOf(id);
    const nlohmann::json result = resultOf(method, id, deadline);
    if (const auto decoded = m_replyData.find(id); decoded != m_replyData.end()) {
        std::string data = std::move(decoded->second);
        m_replyData.erase(decoded);
        return data;
    }
    // A channel that left the data in the text.
    const auto data = result.find("data");
    if (data == result.end() || !data->is_string()) return {};
    return decodeBase64(data->get_ref<const std::string&>()).value_or(std::string());
}

nlohmann::json DevToolsSession::resultOf(std::string_view method, int id, Deadline deadline) {
    nlohmann::json reply = replyTo(id, deadline);
    if (reply.contains("error")) {
        throw CaptureFailure(ExitCode::BrowserFailed,
                             std::string(method) + " failed: " + protocolErrorText(reply));
    }
    return std::move(reply["result"]);
}

bool DevToolsSession::waitUntil(const std::function<bool()>& condition, Deadline deadline) {
    while (!condition()) {
        if (!handleNextMessage(deadline)) return false;
    }
    return true;
}

bool DevToolsSession::handleNextMessage(Deadline deadline) {
    ReceivedMessage received = m_channel.receive(deadline);
    switch (received.status) {
        case ChannelStatus::Ok:
            break;
        case ChannelStatus::TimedOut:
            return false;
        case ChannelStatus::Interrupted:
            throw CaptureInterrupted();
        case ChannelStatus::Closed:
            throw CaptureFailure(ExitCode::BrowserFailed, describeBrowserQuit(m_activity));
    }
    m_everAnswered = true;
    nlohmann::json message = nlohmann::json::parse(received.text, nullptr, false);
    if (message.is_discarded() || !message.is_object()) return true;  // not ours to judge
    if (const auto id = message.find("id"); id != message.end() && id->is_number_integer()) {
        const int replyId = id->get<int>();
        if (received.data) m_replyData[replyId] = std::move(*received.data);
        if (const auto handler = m_replyHandlers.find(replyId); handler != m_replyHandlers.end()) {
            const ReplyHandler onReply = std::move(handler->second);
            m_replyHandlers.erase(handler);
            onReply(message);
        } else {
            m_replies[replyId] = std::move(message);
        }
    } else if (message.contains("method") && m_eventHandler) {
        m_eventHandler(message);
    }
    return true;
}

void DevToolsSession::failTimedOut() const {
    throw CaptureFailure(ExitCode::TimedOut, "timed out while " + m_activity);
}

std::string protocolErrorText(const nlohmann::json& reply) {
    const auto& error = reply.value("error", nlohmann::json::object());
    return error.value("message", std::string("unknown error"));
}

}  // namespace orlenda::iecapt
