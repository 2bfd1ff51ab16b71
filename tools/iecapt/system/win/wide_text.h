#pragma once

#include <string>
#include <string_view>

namespace orlenda::iecapt {

// The tool's strings are UTF-8; Windows' own calls take UTF-16.
std::wstring wideFromUtf8(std::string_view text);
std::string utf8FromWide(std::wstring_view text);

// What the system says about an error code (GetLastError()), on one line.
std::string windowsErrorText(unsigned long error);
std::string lastErrorText();

}  // namespace orlenda::iecapt
