#include "protocol/message_framer.h"

#include "common/exit_code.h"

namespace orlenda::iecapt {

void MessageFramer::append(std::string_view bytes) {
    // Only the message after the last NUL is unfinished.
    const std::size_t lastEnd = bytes.rfind('\0');
    m_unfinished = lastEnd == std::string_view::npos ? m_unfinished + bytes.size()
                                                     : bytes.size() - lastEnd - 1;
    if (m_unfinished > m_maxMessageBytes) {
        throw CaptureFailure(ExitCode::BrowserFailed, "the browser sent a message longer than " +
                                                          std::to_string(m_maxMessageBytes >> 20) +
                                                          " MB; the tool takes no more");
    }
    // Drop what was handed out already, so the buffer does not grow for ever.
    if (m_start > 0 && m_start * 2 >= m_buffer.size()) {
        m_buffer.erase(0, m_start);
        m_start = 0;
    }
    m_buffer.append(bytes);
}

std::optional<std::string> MessageFramer::next() {
    // Only bytes not searched before are searched, so a reply of many
    // megabytes arriving in small reads costs linear time.
    const auto end = m_buffer.find('\0', m_start + m_scanned);
    if (end == std::string::npos) {
        m_scanned = m_buffer.size() - m_start;
        return std::nullopt;
    }
    std::string message = m_buffer.substr(m_start, end - m_start);
    m_start = end + 1;
    m_scanned = 0;
    return message;
}

std::string frameMessage(std::string_view message) {
    std::string framed(message);
    framed.push_back('\0');
    return framed;
}

}  // namespace orlenda::iecapt
