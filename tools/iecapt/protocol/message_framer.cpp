#include "protocol/message_framer.h"

#include <algorithm>

#include "common/exit_code.h"

namespace orlenda::iecapt {

void MessageFramer::append(std::string_view bytes) {
    // The rest of a message being left out, up to its NUL.
    if (m_skipping) {
        const std::size_t end = bytes.find('\0');
        skip(bytes.substr(0, end));
        if (end == std::string_view::npos) return;
        m_dropped.push_back(std::move(*m_skipping));
        m_skipping.reset();
        bytes.remove_prefix(end + 1);
    }
    // Only the message after the last NUL is unfinished.
    const std::size_t lastEnd = bytes.rfind('\0');
    m_unfinished = lastEnd == std::string_view::npos ? m_unfinished + bytes.size()
                                                     : bytes.size() - lastEnd - 1;
    if (m_unfinished > m_maxMessageBytes && m_tooLong == TooLong::Fail) {
        throw CaptureFailure(ExitCode::BrowserFailed, tooLongReason(m_maxMessageBytes));
    }
    // Drop what was handed out already, so the buffer does not grow for ever.
    if (m_start > 0 && m_start * 2 >= m_buffer.size()) {
        m_buffer.erase(0, m_start);
        m_start = 0;
    }
    m_buffer.append(bytes);
    if (m_unfinished > m_maxMessageBytes) dropUnfinished();
}

// The message under way, the last bytes of the buffer, is too long: only
// its ends are kept, and what follows until its NUL is skipped.
void MessageFramer::dropUnfinished() {
    m_skipping = DroppedMessage{};
    skip(std::string_view(m_buffer).substr(m_buffer.size() - m_unfinished));
    m_buffer.resize(m_buffer.size() - m_unfinished);
    m_scanned = std::min(m_scanned, m_buffer.size() - m_start);
    m_unfinished = 0;
}

void MessageFramer::skip(std::string_view bytes) {
    DroppedMessage& dropped = *m_skipping;
    dropped.bytes += bytes.size();
    dropped.head.append(bytes.substr(0, kDroppedEndBytes - dropped.head.size()));
    dropped.tail.append(bytes.substr(bytes.size() - std::min(bytes.size(), kDroppedEndBytes)));
    if (dropped.tail.size() > kDroppedEndBytes) {
        dropped.tail.erase(0, dropped.tail.size() - kDroppedEndBytes);
    }
}

std::optional<std::string> MessageFramer::next() {
    for (;;) {
        // Only bytes not searched before are searched, so a reply of many
        // megabytes arriving in small reads costs linear time.
        const auto end = m_buffer.find('\0', m_start + m_scanned);
        if (end == std::string::npos) {
            m_scanned = m_buffer.size() - m_start;
            return std::nullopt;
        }
        const std::string_view message = std::string_view(m_buffer).substr(m_start, end - m_start);
        m_start = end + 1;
        m_scanned = 0;
        if (message.size() <= m_maxMessageBytes) return std::string(message);
        // Too long, though it came whole in a single read.
        if (m_tooLong == TooLong::Fail) {
            throw CaptureFailure(ExitCode::BrowserFailed, tooLongReason(m_maxMessageBytes));
        }
        m_skipping = DroppedMessage{};
        skip(message);
        m_dropped.push_back(std::move(*m_skipping));
        m_skipping.reset();
    }
}

std::string tooLongReason(std::size_t maxMessageBytes) {
    return "the browser sent a message longer than " + std::to_string(maxMessageBytes >> 20) +
           " MB; the tool takes no more";
}

std::string frameMessage(std::string_view message) {
    std::string framed(message);
    framed.push_back('\0');
    return framed;
}

}  // namespace orlenda::iecapt
