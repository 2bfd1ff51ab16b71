#include "convert/text_length.h"

namespace orlenda {
namespace {

bool IsContinuationByte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// A character of four UTF-8 bytes lies beyond the BMP: two UTF-16 units.
std::size_t Utf16UnitsOfLeadByte(char byte) {
    return static_cast<unsigned char>(byte) >= 0xF0 ? 2 : 1;
}

}  // namespace

std::size_t LengthIn(platform::TextUnit unit, std::string_view text) {
    if (unit == platform::TextUnit::Utf8Bytes) return text.size();
    std::size_t units = 0;
    for (const char byte : text) {
        if (!IsContinuationByte(byte)) units += Utf16UnitsOfLeadByte(byte);
    }
    return units;
}

bool Fits(std::string_view text, platform::TextLimit limit) {
    return LengthIn(limit.unit, text) <= limit.longest;
}

std::string InUnits(std::size_t count, platform::TextUnit unit) {
    return std::to_string(count) +
           (unit == platform::TextUnit::Utf8Bytes ? " bytes" : " characters");
}

std::string_view BeginningWithin(std::string_view text, std::size_t longest,
                                 platform::TextUnit unit) {
    if (unit == platform::TextUnit::Utf8Bytes) {
        if (text.size() <= longest) return text;
        std::size_t cut = longest;
        while (cut > 0 && IsContinuationByte(text[cut])) --cut;
        return text.substr(0, cut);
    }
    std::size_t units = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (IsContinuationByte(text[at])) continue;
        units += Utf16UnitsOfLeadByte(text[at]);
        if (units > longest) return text.substr(0, at);
    }
    return text;
}

}  // namespace orlenda
