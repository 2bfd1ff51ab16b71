#include "protocol/message_framer.h"

#include <algorithm>
#include <charconv>

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
    // No reply awaited for its data: the bytes as they come.
    if (m_dataReplies.empty() && !m_inData && !m_dataEnded) {
        appendText(bytes);
        return;
    }
    // Else message by message, each start read before it is kept.
    while (!bytes.empty()) {
        if (m_inData) {
            bytes.remove_prefix(addData(bytes));
            continue;
        }
        std::size_t text = m_startRead ? std::string_view::npos : textBeforeData(bytes);
        if (text == std::string_view::npos) {
            const std::size_t end = bytes.find('\0');
            text = end == std::string_view::npos ? bytes.size() : end + 1;
        }
        appendText(bytes.substr(0, text));
        bytes.remove_prefix(text);
    }
}

// Bytes kept as text: those of a message, its end included, or of several.
void MessageFramer::appendText(std::string_view bytes) {
    // Only the message after the last NUL is unfinished.
    const std::size_t lastEnd = bytes.rfind('\0');
    if (lastEnd != std::string_view::npos) {
        if (m_dataEnded) {
            m_decoded.push_back({m_buffer.size() + lastEnd, m_decoder.finish().value_or("")});
            m_dataEnded = false;
        }
        m_unfinished = bytes.size() - lastEnd - 1;
        m_dataBytes = 0;
        m_startRead = false;
    } else {
        m_unfinished += bytes.size();
    }
    if (m_tooLong == TooLong::Fail) failIfTooLong();
    // Drop what was handed out already, so the buffer does not grow for ever.
    if (m_start > 0 && m_start * 2 >= m_buffer.size()) {
        m_buffer.erase(0, m_start);
        for (Decoded& decoded : m_decoded) decoded.end -= m_start;
        m_start = 0;
    }
    m_buffer.append(bytes);
    if (m_unfinished > m_maxMessageBytes) dropUnfinished();
}

// How many of the bytes are text before the data of an awaited reply
// begins; npos when the message under way is no such reply, or when that
// is not told yet and they are all text.
std::size_t MessageFramer::textBeforeData(std::string_view bytes) {
    const std::string_view sofar = std::string_view(m_buffer).substr(
        m_buffer.size() - std::min(m_unfinished, m_buffer.size()));
    std::string head(sofar.substr(0, kLongestReplyStart));
    head.append(bytes.substr(0, kLongestReplyStart));
    const ReplyStart start = readReplyStart(head);
    if (start.kind == ReplyStart::Kind::Undecided) return std::string_view::npos;
    m_startRead = true;
    const auto awaited = std::ranges::find(m_dataReplies, start.id);
    if (awaited == m_dataReplies.end()) return std::string_view::npos;
    // The reply has come, with its data or (an error) without.
    m_dataReplies.erase(awaited);
    if (start.kind != ReplyStart::Kind::Data || start.dataAt < sofar.size()) {
        return std::string_view::npos;
    }
    m_inData = true;
    return start.dataAt - sofar.size();
}

// Decodes the data up to its closing quote; returns how many bytes that took.
std::size_t MessageFramer::addData(std::string_view bytes) {
    // Base64 has no quote, backslash or NUL: the first one ends the data,
    // or is an escape, or shows it is not base64.
    std::size_t at = 0;
    if (std::exchange(m_escaped, false)) addEscaped(bytes[at++]);
    while (at < bytes.size()) {
        const std::size_t stop = bytes.find_first_of(std::string_view("\"\\\0", 3), at);
        const std::size_t end = std::min(stop, bytes.size());
        m_decoder.add(bytes.substr(at, end - at));
        m_dataBytes += end - at;
        at = end;
        if (stop == std::string_view::npos) break;
        if (bytes[stop] != '\\') {
            // The closing quote (or a NUL that cuts the message short) is text.
            m_inData = false;
            m_dataEnded = true;
            break;
        }
        m_dataBytes += 2;
        if (stop + 1 == bytes.size()) {
            m_escaped = true;  // the escaped character comes with the next piece
            at = bytes.size();
            break;
        }
        addEscaped(bytes[stop + 1]);
        at = stop + 2;
    }
    failIfTooLong();
    return at;
}

// JSON may write the slash of base64 as an escape; any other escape is no
// base64 and refuses the data.
void MessageFramer::addEscaped(char escaped) { m_decoder.add(escaped == '/' ? "/" : "\\"); }

void MessageFramer::failIfTooLong() const {
    if (m_unfinished + m_dataBytes > m_maxMessageBytes) {
        throw CaptureFailure(ExitCode::BrowserFailed, tooLongReason(m_maxMessageBytes));
    }
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
        const std::size_t begin = std::exchange(m_start, end + 1);
        m_scanned = 0;
        m_lastData.reset();
        if (!m_decoded.empty() && m_decoded.front().end == end) {
            m_lastData = std::move(m_decoded.front().data);
            m_decoded.erase(m_decoded.begin());
        }
        if (message.size() <= m_maxMessageBytes) return takeMessage(begin, end);
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

// The message from begin to its NUL at end. One that is all the buffer
// holds is moved out, not copied; once all is handed out, a buffer grown
// large is given back, so a screenshot's megabytes are not kept.
std::string MessageFramer::takeMessage(std::size_t begin, std::size_t end) {
    if (end + 1 < m_buffer.size()) return m_buffer.substr(begin, end - begin);
    std::string message;
    if (begin == 0) {
        message = std::move(m_buffer);
        message.pop_back();
    } else {
        message = m_buffer.substr(begin, end - begin);
    }
    if (m_buffer.capacity() > kKeptBufferBytes) m_buffer = std::string();
    m_buffer.clear();
    m_start = 0;
    return message;
}

ReplyStart readReplyStart(std::string_view head) {
    using Kind = ReplyStart::Kind;
    constexpr std::string_view kIdKey = R"({"id":)";
    constexpr std::string_view kDataKey = R"(,"result":{"data":")";
    constexpr std::size_t kLongestId = 10;
    // Whether the head, as far as it goes, reads as the expected text.
    const auto agrees = [&](std::string_view expected) {
        return head.substr(0, expected.size()) == expected.substr(0, head.size());
    };
    if (!agrees(kIdKey)) return {};
    if (head.size() <= kIdKey.size()) return {Kind::Undecided};
    head.remove_prefix(kIdKey.size());
    const std::size_t digits = std::min(head.find_first_not_of("0123456789"), head.size());
    if (digits > kLongestId) return {};
    if (digits == head.size()) return {Kind::Undecided};
    int id = 0;
    if (digits == 0 || std::from_chars(head.data(), head.data() + digits, id).ec != std::errc{}) {
        return {};
    }
    head.remove_prefix(digits);
    if (!agrees(kDataKey)) return {Kind::Other, id};
    if (head.size() < kDataKey.size()) return {Kind::Undecided};
    return {Kind::Data, id, kIdKey.size() + digits + kDataKey.size()};
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
