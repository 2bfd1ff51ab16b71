#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orlenda::iecapt {

// Splits the browser's byte stream into messages. On --remote-debugging-pipe
// every message ends with one NUL byte; a read may hold part of a message,
// several messages, or both, and a screenshot reply spans many reads.
class MessageFramer {
public:
    void append(std::string_view bytes);
    // The next complete message, without its NUL, or nothing until more arrives.
    std::optional<std::string> next();

private:
    std::string m_buffer;
    std::size_t m_start = 0;    // where the first unread message begins
    std::size_t m_scanned = 0;  // bytes from m_start already known to hold no NUL
};

// The bytes that carry one message to the browser.
std::string frameMessage(std::string_view message);

}  // namespace orlenda::iecapt
