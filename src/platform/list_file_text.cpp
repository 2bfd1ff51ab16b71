#include "platform/list_file_text.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <random>

namespace orlenda::platform {
namespace {

// Windows-1252 for 0x80 to 0x9F; its five unassigned bytes stay the control
// characters of the same number, as Windows itself reads them.
constexpr std::array<char16_t, 32> kWindows1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool InRange(unsigned char byte, unsigned char low, unsigned char high) {
    return byte >= low && byte <= high;
}

}  // namespace

std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t offset) {
        return at + offset < text.size() ? static_cast<unsigned char>(text[at + offset]) : 0;
    };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    if (InRange(lead, 0xC2, 0xDF)) return InRange(byte(1), 0x80, 0xBF) ? 2 : 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    if (lead == 0xE0) secondLow = 0xA0;
    if (lead == 0xED) secondHigh = 0x9F;
    if (lead == 0xF0) secondLow = 0x90;
    if (lead == 0xF4) secondHigh = 0x8F;
    if (!InRange(byte(1), secondLow, secondHigh)) return 0;
    if (InRange(lead, 0xE0, 0xEF)) return InRange(byte(2), 0x80, 0xBF) ? 3 : 0;
    if (InRange(lead, 0xF0, 0xF4)) {
        return InRange(byte(2), 0x80, 0xBF) && InRange(byte(3), 0x80, 0xBF) ? 4 : 0;
    }
    return 0;
}

void AppendUtf8(std::string& utf8, char32_t character) {
    if (character < 0x80) {
        utf8 += static_cast<char>(character);
    } else if (character < 0x800) {
        utf8 += static_cast<char>(0xC0 | (character >> 6));
        utf8 += static_cast<char>(0x80 | (character & 0x3F));
    } else if (character < 0x10000) {
        utf8 += static_cast<char>(0xE0 | (character >> 12));
        utf8 += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
        utf8 += static_cast<char>(0x80 | (character & 0x3F));
    } else {
        utf8 += static_cast<char>(0xF0 | (character >> 18));
        utf8 += static_cast<char>(0x80 | ((character >> 12) & 0x3F));
        utf8 += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
        utf8 += static_cast<char>(0x80 | (character & 0x3F));
    }
}

void AppendWindows1252(std::string& utf8, unsigned char byte) {
    AppendUtf8(utf8, byte < 0x80   ? byte
                     : byte < 0xA0 ? kWindows1252High[byte - 0x80]
                                   : static_cast<char32_t>(byte));
}

MarkedListFile::MarkedListFile(std::unique_ptr<ListFile> file) : m_file(std::move(file)) {
    std::array<char, kFirstBytesLookedAt> start{};
    std::size_t got = 0;
    while (got < start.size()) {
        const std::size_t count = m_file->read(start.data() + got, start.size() - got);
        if (count == 0) break;
        got += count;
    }
    m_raw.assign(start.data(), got);
    if (m_raw.starts_with("\xEF\xBB\xBF")) {
        m_mark = Mark::Utf8;
        m_raw.erase(0, 3);
    } else if (m_raw.starts_with("\xFF\xFE")) {
        m_mark = Mark::Utf16LittleEndian;
        m_raw.erase(0, 2);
    } else if (m_raw.starts_with("\xFE\xFF")) {
        m_mark = Mark::Utf16BigEndian;
        m_raw.erase(0, 2);
    } else {
        m_mark = UnmarkedUtf16(m_raw);
    }
}

MarkedListFile::Mark MarkedListFile::UnmarkedUtf16(std::string_view firstBytes) {
    // Text in a code page holds no NUL; UTF-16 of an address holds one in
    // every unit, the high byte of its ASCII characters.
    const std::size_t units = firstBytes.size() / 2;
    if (units < 2) return Mark::None;
    const auto everyUnitHasItsNulAt = [&](std::size_t nulHalf) {
        for (std::size_t unit = 0; unit < units; ++unit) {
            const std::string_view pair = firstBytes.substr(2 * unit, 2);
            if (pair[nulHalf] != '\0' || pair[1 - nulHalf] == '\0') return false;
        }
        return true;
    };
    if (everyUnitHasItsNulAt(1)) return Mark::Utf16LittleEndian;
    if (everyUnitHasItsNulAt(0)) return Mark::Utf16BigEndian;
    return Mark::None;
}

std::size_t MarkedListFile::read(char* buffer, std::size_t size) {
    if (m_mark == Mark::None || m_mark == Mark::Utf8) {
        // The first bytes, read to look for a mark, come first.
        const std::size_t early = std::min(size, m_raw.size());
        std::copy_n(m_raw.data(), early, buffer);
        m_raw.erase(0, early);
        return early == size ? early : early + m_file->read(buffer + early, size - early);
    }
    while (m_textAt == m_text.size()) {
        m_text.clear();
        m_textAt = 0;
        std::array<char, 4096> bytes{};
        const std::size_t count = m_file->read(bytes.data(), bytes.size());
        m_raw.append(bytes.data(), count);
        decodeUtf16(count == 0);
        if (count == 0 && m_text.empty()) return 0;
    }
    const std::size_t count = std::min(size, m_text.size() - m_textAt);
    std::copy_n(m_text.data() + m_textAt, count, buffer);
    m_textAt += count;
    return count;
}

void MarkedListFile::decodeUtf16(bool atEnd) {
    const auto unitAt = [&](std::size_t at) -> char32_t {
        const auto first = static_cast<unsigned char>(m_raw[at]);
        const auto second = static_cast<unsigned char>(m_raw[at + 1]);
        return m_mark == Mark::Utf16LittleEndian ? first | (second << 8) : (first << 8) | second;
    };
    constexpr char32_t kReplacement = 0xFFFD;
    std::size_t at = 0;
    while (at + 2 <= m_raw.size()) {
        const char32_t unit = unitAt(at);
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        if (high && at + 4 > m_raw.size() && !atEnd) break;  // its pair may come with the next read
        const char32_t next = high && at + 4 <= m_raw.size() ? unitAt(at + 2) : 0;
        if (high && next >= 0xDC00 && next <= 0xDFFF) {
            AppendUtf8(m_text, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
            at += 4;
            continue;
        }
        // A surrogate without its pair stands for a character that is not there.
        AppendUtf8(m_text, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
        at += 2;
    }
    if (atEnd && at < m_raw.size()) {  // half a unit
        AppendUtf8(m_text, kReplacement);
        at = m_raw.size();
    }
    m_raw.erase(0, at);
}

std::string Utf8OrWindows1252(std::string bytes) {
    std::size_t at = 0;
    std::size_t length = 0;
    while (at < bytes.size()) {
        length = static_cast<unsigned char>(bytes[at]) < 0x80 ? 1 : Utf8SequenceLength(bytes, at);
        if (length == 0) break;
        at += length;
    }
    if (at == bytes.size()) return bytes;

    std::string text = bytes.substr(0, at);
    while (at < bytes.size()) {
        length = Utf8SequenceLength(bytes, at);
        if (length == 0) {
            AppendWindows1252(text, static_cast<unsigned char>(bytes[at]));
            length = 1;
        } else {
            text.append(bytes, at, length);
        }
        at += length;
    }
    return text;
}

std::string TemporaryListPath(const std::string& path, char separator) {
    static std::mt19937_64 random{std::random_device{}()};
    const std::size_t nameStart = path.find_last_of(separator) + 1;  // 0 when there is none
    return path.substr(0, nameStart) + "." + path.substr(nameStart) + "." +
           std::to_string(random() % 1000000000) + ".part";
}

void AppendPercentEncoded(std::string& text, std::string_view utf8Character) {
    for (const char byte : utf8Character) {
        std::array<char, 4> encoded{};
        std::snprintf(encoded.data(), encoded.size(), "%%%02X", static_cast<unsigned char>(byte));
        text += encoded.data();
    }
}

}  // namespace orlenda::platform
