#include "shared/text/visible_line.h"

#include <algorithm>
#include <array>
#include <optional>

namespace orlenda::text {
namespace {

struct Range {
    char32_t first;
    char32_t last;
};

// Unicode's format characters (general category Cf): bidirectional marks
// and isolates, zero widths, the soft hyphen, the byte order mark, the
// interlinear annotations, the tags.
constexpr Range kFormatCharacters[] = {
    {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},   {0x06DD, 0x06DD},
    {0x070F, 0x070F},   {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x180E, 0x180E},
    {0x200B, 0x200F},   {0x202A, 0x202E},   {0x2060, 0x2064},   {0x2066, 0x206F},
    {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD}, {0x110CD, 0x110CD},
    {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE0001},
    {0xE0020, 0xE007F},
};

bool isFormatCharacter(char32_t code) {
    return std::ranges::any_of(kFormatCharacters, [code](const Range& range) {
        return code >= range.first && code <= range.last;
    });
}

// Breaks a line, or means nothing to show: read as a blank.
bool isBlankedControl(char32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x2028 || code == 0x2029;
}

struct Decoded {
    char32_t code;
    std::size_t bytes;
};

// The character the text begins with; nothing when it does not begin with
// one well-formed UTF-8 character (overlong forms and surrogates included).
std::optional<Decoded> firstCharacter(std::string_view text) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return Decoded{lead, 1};
    const std::size_t bytes = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (bytes == 0 || lead > 0xF4 || text.size() < bytes) return std::nullopt;
    char32_t code = lead & (0x7F >> bytes);
    for (std::size_t at = 1; at < bytes; ++at) {
        if ((byte(at) & 0xC0) != 0x80) return std::nullopt;
        code = (code << 6) | (byte(at) & 0x3F);
    }
    constexpr std::array<char32_t, 5> kSmallest = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[bytes] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return std::nullopt;
    }
    return Decoded{code, bytes};
}

std::string escaped(char32_t code) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    const int digits = code > 0xFFFF ? 8 : 4;
    std::string text = digits == 8 ? "\\U" : "\\u";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        text += kDigits[(code >> shift) & 0xF];
    return text;
}

}  // namespace

std::string visibleLine(std::string_view utf8) {
    constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
    std::string line;
    line.reserve(utf8.size());
    while (!utf8.empty()) {
        const std::optional<Decoded> next = firstCharacter(utf8);
        if (!next) {
            line += kReplacement;
            utf8.remove_prefix(1);
            continue;
        }
        if (isBlankedControl(next->code)) {
            line += ' ';
        } else if (isFormatCharacter(next->code)) {
            line += escaped(next->code);
        } else {
            line += utf8.substr(0, next->bytes);
        }
        utf8.remove_prefix(next->bytes);
    }
    return line;
}

std::string_view utf8Start(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t cut = maxBytes;
    // Continuation bytes are 10xxxxxx.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return text.substr(0, cut);
}

}  // namespace orlenda::text
