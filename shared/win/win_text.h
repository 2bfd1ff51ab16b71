#pragma once

#include <optional>
#include <string>
#include <string_view>

// Text as both programs hand it to Windows and take it back. Their own text
// is UTF-8; the Windows API takes UTF-16. Throws std::length_error for a text
// longer than the API can take (2 GB).
namespace orlenda {

std::wstring wideFromUtf8(std::string_view utf8);
std::string utf8FromWide(std::wstring_view wide);

// The bytes read in the code page; nothing when a byte is not valid there.
std::optional<std::wstring> wideFromCodePage(unsigned codePage, std::string_view bytes);
// The text written in the code page; nothing when a character has no place
// there (no "best fit" stands in for it).
std::optional<std::string> codePageFromWide(unsigned codePage, std::wstring_view wide);

// The system's own words for an error number (GetLastError()), on one line
// and without the closing full stop; "error N" where the system has none.
std::string systemErrorText(unsigned long error);
std::string lastErrorText();

}  // namespace orlenda
