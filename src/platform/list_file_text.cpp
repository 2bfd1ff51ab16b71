#include "platform/list_file_text.h"

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

void AppendWindows1252(std::string& utf8, unsigned char byte) {
    const char16_t code = byte < 0x80   ? byte
                          : byte < 0xA0 ? kWindows1252High[byte - 0x80]
                                        : static_cast<char16_t>(byte);
    if (code < 0x80) {
        utf8 += static_cast<char>(code);
    } else if (code < 0x800) {
        utf8 += static_cast<char>(0xC0 | (code >> 6));
        utf8 += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        utf8 += static_cast<char>(0xE0 | (code >> 12));
        utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        utf8 += static_cast<char>(0x80 | (code & 0x3F));
    }
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
