#include "protocol/base64.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

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

void Base64Decoder::add(std::string_view text) {
    // A group the last piece cut is finished one character at a time.
    const std::size_t toFinish =
        m_inGroup == 0 ? 0 : std::min(text.size(), static_cast<std::size_t>(4 - m_inGroup));
    addSlowly(text.substr(0, toFinish));
    text.remove_prefix(toFinish);
    // Then, between whole groups, before any padding: four characters,
    // three bytes at a time, until the last whole group or the first
    // character that is not plainly in the alphabet.
    if (m_inGroup == 0 && m_padding == 0 && !m_refused) {
        const std::size_t whole = text.size() / 4 * 4;
        const std::size_t had = m_bytes.size();
        m_bytes.resize(had + whole / 4 * 3);
        char* out = m_bytes.data() + had;
        std::size_t at = 0;
        for (; at < whole; at += 4) {
            const std::uint8_t a = valueOf(text[at]), b = valueOf(text[at + 1]),
                               c = valueOf(text[at + 2]), d = valueOf(text[at + 3]);
            // Every value of the alphabet fits six bits; kNotInAlphabet does not.
            if (((a | b | c | d) & 0xC0) != 0) break;
            const std::uint32_t group = (a << 18) | (b << 12) | (c << 6) | d;
            *out++ = static_cast<char>(group >> 16);
            *out++ = static_cast<char>(group >> 8);
            *out++ = static_cast<char>(group);
        }
        m_bytes.resize(static_cast<std::size_t>(out - m_bytes.data()));
        text.remove_prefix(at);
    }
    addSlowly(text);
}

// One character at a time: a group cut between pieces, the padding, and
// whatever refuses the text.
void Base64Decoder::addSlowly(std::string_view text) {
    for (const char c : text) {
        if (m_refused) return;
        if (c == '=') {
            ++m_padding;
            continue;
        }
        const std::uint8_t value = valueOf(c);
        if (value == kNotInAlphabet || m_padding > 0) {
            m_refused = true;
            return;
        }
        m_group = (m_group << 6) | value;
        if (++m_inGroup < 4) continue;
        m_bytes.push_back(static_cast<char>(m_group >> 16));
        m_bytes.push_back(static_cast<char>(m_group >> 8));
        m_bytes.push_back(static_cast<char>(m_group));
        m_group = 0;
        m_inGroup = 0;
    }
}

std::optional<std::string> Base64Decoder::finish() {
    Base64Decoder done = std::exchange(*this, {});
    // Padding fills the last group to four characters, or is left out; a
    // last group of one character would carry less than one byte.
    const bool paddedRight =
        done.m_padding == 0 || (done.m_inGroup >= 2 && done.m_inGroup + done.m_padding == 4);
    if (done.m_refused || !paddedRight || done.m_inGroup == 1) {
        return std::nullopt;
    }
    // The two or three characters of a shortened last group: 12 or 18 bits,
    // of which whole bytes count.
    if (done.m_inGroup == 2) done.m_bytes.push_back(static_cast<char>(done.m_group >> 4));
    if (done.m_inGroup == 3) {
        done.m_bytes.push_back(static_cast<char>(done.m_group >> 10));
        done.m_bytes.push_back(static_cast<char>(done.m_group >> 2));
    }
    return std::move(done.m_bytes);
}

std::optional<std::string> decodeBase64(std::string_view text) {
    Base64Decoder decoder;
    decoder.add(text);
    return decoder.finish();
}

}  // namespace orlenda::iecapt
