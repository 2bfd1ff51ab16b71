#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orlenda::platform {

// List files were written in Windows-1252 before any other code page, so a
// byte that the system's code page cannot read is shown as the character it
// stands for there: it stays visible instead of being lost. Shared by every
// platform's list-file reader.

// Appends the byte, read as Windows-1252, to UTF-8 text.
void AppendWindows1252(std::string& utf8, unsigned char byte);

// UTF-8 as it is; a byte that is not part of a well-formed sequence is taken
// as Windows-1252.
std::string Utf8OrWindows1252(std::string bytes);

}  // namespace orlenda::platform
