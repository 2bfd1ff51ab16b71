#include "protocol/base64.h"

#include <array>
#include <cstdint>

namespace orlenda::iecapt {
namespace {

constexpr std::uint8_t kNotInAlphabet = 0xFF;

constexpr std::array<std::uint8_t, 256> makeValues() {
    std::array<std::uint8_t, 256> values{};
    values.fill(kNotInAlphabet);
    constexpr std::string_view alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (std::size_t i = 0; i < alphabet.size(); ++i) {
        values[static_cast<unsigned char>(alphabet[i])] = static_cast<std::uint8_t>(i);
    }
    return values;
}

constexpr std::array<std::uint8_t, 256> kValues = makeValues();

std::uint8_t valueOf(char c) { return kValues[static_cast<unsigned char>(c)]; }

}  // namespace

std::optional<std::string> decodeBase64(std::string_view text) {
    // Padding fills the last group to four characters, or is left out.
    const bool padded = text.ends_with('=');
    if (padded && text.size() % 4 != 0) return std::nullopt;
    for (int i = 0; i < 2 && text.ends_with('='); ++i) text.remove_suffix(1);
    // A last group of one character would carry less than one byte.
    if (text.size() % 4 == 1) return std::nullopt;

    const std::size_t rest = text.size() % 4;  // 0, 2 or 3 characters: 0, 1 or 2 bytes
    std::string bytes(text.size() / 4 * 3 + (rest > 0 ? rest - 1 : 0), '\0');
    // Screenshots are megabytes: four characters, three bytes at a time.
    char* out = bytes.data();
    std::size_t at = 0;
    for (; at + 4 <= text.size(); at += 4) {
        const std::uint8_t a = valueOf(text[at]), b = valueOf(text[at + 1]),
                           c = valueOf(text[at + 2]), d = valueOf(text[at + 3]);
        // Every value of the alphabet fits six bits; kNotInAlphabet does not.
        if (((a | b | c | d) & 0xC0) != 0) return std::nullopt;
        const std::uint32_t group = (a << 18) | (b << 12) | (c << 6) | d;
        *out++ = static_cast<char>(group >> 16);
        *out++ = static_cast<char>(group >> 8);
        *out++ = static_cast<char>(group);
    }
    // The two or three characters of a shortened last group.
    std::uint32_t group = 0;
    for (std::size_t i = 0; i < rest; ++i) {
        const std::uint8_t value = valueOf(text[at + i]);
        if (value == kNotInAlphabet) return std::nullopt;
        group |= std::uint32_t{value} << (18 - 6 * i);
    }
    if (rest >= 2) *out++ = static_cast<char>(group >> 16);
    if (rest == 3) *out = static_cast<char>(group >> 8);
    return bytes;
}

}  // namespace orlenda::iecapt
