#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orlenda::platform {

// What every platform's list files do with text their code page cannot hold.

// List files were written in Windows-1252 before any other code page, so a
// byte that the system's code page cannot read is shown as the character it
// stands for there: it stays visible instead of being lost. Appends the byte,
// read so, to UTF-8 text.
void AppendWindows1252(std::string& utf8, unsigned char byte);

// UTF-8 as it is; a byte that is not part of a well-formed sequence is taken
// as Windows-1252.
std::string Utf8OrWindows1252(std::string bytes);

// The length of the well-formed UTF-8 sequence at text[at], or 0 when none
// starts there (stray continuation bytes, overlong forms, surrogates, cut off).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

// A new list is written under a hidden name beside its own, then renamed:
// "." name "." nine random digits ".part".
std::string TemporaryListPath(const std::string& path, char separator);

// A character that the code page cannot hold is written as a browser sends
// it: its UTF-8 bytes percent-encoded. Appends them so to text.
void AppendPercentEncoded(std::string& text, std::string_view utf8Character);

}  // namespace orlenda::platform
