#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "protocol/base64.h"

namespace orlenda::iecapt {

// The longest message the framer takes. The largest the browser really sends
// is a screenshot: a part of a tall page, 16,384 px high, as a PNG in base64,
// at most about 90 MB. A browser that sends more without ending its message
// is broken, and would otherwise fill memory until the deadline.
inline constexpr std::size_t kMaxMessageBytes = std::size_t{512} << 20;

// A message longer than the framer takes, left out: its first and last
// bytes, by which whom it concerned can still be told, and its length.
struct DroppedMessage {
    std::string head;
    std::string tail;
    std::size_t bytes = 0;

    bool operator==(const DroppedMessage&) const = default;
};

// How the first bytes of a message read: the start of a reply whose result
// begins with base64 data, {"id":N,"result":{"data":", or not, or not yet
// told.
struct ReplyStart {
    enum class Kind { Undecided, Other, Data };
    Kind kind = Kind::Other;
    int id = 0;              // also of a reply that begins otherwise, {"id":N,...
    std::size_t dataAt = 0;  // where the data's first character is

    bool operator==(const ReplyStart&) const = default;
};
ReplyStart readReplyStart(std::string_view head);
// The longest start readReplyStart needs to decide.
inline constexpr std::size_t kLongestReplyStart = 35;

// Splits the browser's byte stream into messages. On --remote-debugging-pipe
// every message ends with one NUL byte; a read may hold part of a message,
// several messages, or both, and a screenshot reply spans many reads.
class MessageFramer {
public:
    // What a message longer than the framer takes does: fail the stream, or
    // be left out while the messages after it go on.
    enum class TooLong { Fail, Drop };
    static constexpr std::size_t kDroppedEndBytes = 4096;
    // The most the buffer keeps between messages.
    static constexpr std::size_t kKeptBufferBytes = std::size_t{1} << 20;

    explicit MessageFramer(std::size_t maxMessageBytes = kMaxMessageBytes,
                           TooLong tooLong = TooLong::Fail)
        : m_maxMessageBytes(maxMessageBytes), m_tooLong(tooLong) {}

    // Both throw a BrowserFailed CaptureFailure (TooLong::Fail) on a message
    // longer than the framer takes: append as soon as the message under way
    // grows past it, next when one came whole in a single read.
    void append(std::string_view bytes);
    // The next complete message, without its NUL, or nothing until more arrives.
    std::optional<std::string> next();
    // The reply to this command, when it begins {"id":N,"result":{"data":",
    // has that data decoded as it arrives, and never kept as text: the text
    // next() hands out holds it as "". For a framer that fails on a message
    // too long.
    void decodeDataOf(int id) { m_dataReplies.push_back(id); }
    // The data decoded out of the message next() handed out last, if it was
    // such a reply: empty when the data was not base64.
    std::optional<std::string> takeData() { return std::exchange(m_lastData, std::nullopt); }
    // The messages left out as too long since the last call (TooLong::Drop).
    std::vector<DroppedMessage> takeDropped() { return std::exchange(m_dropped, {}); }
    // From now on, the longest message taken, the one under way included.
    void limitTo(std::size_t maxMessageBytes) { m_maxMessageBytes = maxMessageBytes; }

private:
    // What a message whose data is decoded holds until it ends.
    struct Decoded {
        std::size_t end = 0;  // where its NUL is in the buffer
        std::string data;
    };

    void appendText(std::string_view bytes);
    std::size_t textBeforeData(std::string_view bytes);
    std::size_t addData(std::string_view bytes);
    void addEscaped(char escaped);
    void failIfTooLong() const;
    std::string takeMessage(std::size_t begin, std::size_t end);
    void dropUnfinished();
    void skip(std::string_view bytes);

    std::size_t m_maxMessageBytes;
    TooLong m_tooLong;
    std::string m_buffer;
    std::size_t m_start = 0;                   // where the first unread message begins
    std::size_t m_scanned = 0;                 // bytes from m_start already known to hold no NUL
    std::size_t m_unfinished = 0;              // bytes since the last NUL
    std::optional<DroppedMessage> m_skipping;  // the message being left out
    std::vector<DroppedMessage> m_dropped;
    // The replies whose data is decoded, and where the message under way is.
    std::vector<int> m_dataReplies;
    bool m_startRead = false;     // its start is known to be no such reply, or one
    bool m_inData = false;        // its data is arriving
    bool m_escaped = false;       // a backslash ended the last piece of its data
    bool m_dataEnded = false;     // its data has ended, the message has not
    std::size_t m_dataBytes = 0;  // the characters of its data
    Base64Decoder m_decoder;
    std::vector<Decoded> m_decoded;  // ended, not yet handed out
    std::optional<std::string> m_lastData;
};

// Why a stream with a message longer than the framer takes was given up.
std::string tooLongReason(std::size_t maxMessageBytes);

// The bytes that carry one message to the browser.
std::string frameMessage(std::string_view message);

}  // namespace orlenda::iecapt
