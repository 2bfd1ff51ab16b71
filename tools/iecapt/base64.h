#pragma once

#include <string>
#include <string_view>

namespace orlenda::iecapt {

// Decodes the base64 text in which the browser sends image data.
std::string decodeBase64(std::string_view text);

}  // namespace orlenda::iecapt
