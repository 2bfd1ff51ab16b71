#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orlenda::iecapt {

// The longest message the framer takes. The largest the browser really sends
// is a screenshot: a part of a tall page, 16,384 px high, as a PNG in base64,
// at most about 90 MB. A browser that sends more without ending its message
// is broken, and would otherwise fill memory until the deadline.
inline constexpr std::size_t kMaxMessageBytes = std::size_t{512} << 20;

// Splits the browser's byte stream into messages. On --remote-debugging-pipe
// every message ends with one NUL byte; a read may hold part of a message,
// several messages, or both, and a screenshot reply spans many reads.
class MessageFramer {
public:
    explicit MessageFramer(std::size_t maxMessageBytes = kMaxMessageBytes)
        : m_maxMessageBytes(maxMessageBytes) {}

    // Throws a BrowserFailed CaptureFailure when the message being received
    // grows past the longest the framer takes.
    void append(std::string_view bytes);
    // The next complete message, without its NUL, or nothing until more arrives.
    std::optional<std::string> next();

private:
    std::size_t m_maxMessageBytes;
    std::string m_buffer;
    std::size_t m_start = 0;       // where the first unread message begins
    std::size_t m_scanned = 0;     // bytes from m_start already known to hold no NUL
    std::size_t m_unfinished = 0;  // bytes since the last NUL
};

// The bytes that carry one message to the browser.
std::string frameMessage(std::string_view message);

}  // namespace orlenda::iecapt
