#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orlenda::platform {

// Text crosses the Windows API as UTF-16 only; the program's own text is UTF-8.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);

// The bytes read in the code page; nothing when a byte is not valid there.
std::optional<std::wstring> WideFromCodePage(unsigned codePage, std::string_view bytes);
// The text written in the code page; nothing when a character has no place
// there (no "best fit" stands in for it).
std::optional<std::string> CodePageFromWide(unsigned codePage, std::wstring_view wide);

// The system's own words for an error number, on one line.
std::string SystemErrorText(unsigned long error);

}  // namespace orlenda::platform
