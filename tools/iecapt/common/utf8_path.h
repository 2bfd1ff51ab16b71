#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orlenda::iecapt {

// Paths are UTF-8 in the tool's strings. A std::filesystem::path made from a
// plain string would read it in Windows' ANSI code page instead, and lose
// every character outside it.
inline std::filesystem::path pathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace orlenda::iecapt
