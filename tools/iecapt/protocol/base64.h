#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orlenda::iecapt {

// Decodes the base64 text (RFC 4648, standard alphabet) in which the browser
// sends image data. The padding at the end may be left out. Nothing when the
// text holds anything else: a character outside the alphabet, padding inside
// the text, or a length no encoding gives.
std::optional<std::string> decodeBase64(std::string_view text);

}  // namespace orlenda::iecapt
