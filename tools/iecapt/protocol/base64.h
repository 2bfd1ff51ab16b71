#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orlenda::iecapt {

// Decodes the base64 text (RFC 4648, standard alphabet) in which the browser
// sends image data, in as many pieces as it arrives in: a screenshot is
// megabytes, so its text is never kept whole. The padding at the end may be
// left out. The text is refused when it holds anything else: a character
// outside the alphabet, padding inside the text, or a length no encoding
// gives.
class Base64Decoder {
public:
    // The next piece of the text, cut anywhere.
    void add(std::string_view text);
    // The bytes, once the whole text has been added; nothing when it was refused.
    std::optional<std::string> finish();

private:
    void addSlowly(std::string_view text);

    std::string m_bytes;
    unsigned m_group = 0;  // the characters of an unfinished group, six bits each
    int m_inGroup = 0;     // how many
    int m_padding = 0;     // '=' seen: only more of them may follow
    bool m_refused = false;
};

// The whole text at once.
std::optional<std::string> decodeBase64(std::string_view text);

}  // namespace orlenda::iecapt
