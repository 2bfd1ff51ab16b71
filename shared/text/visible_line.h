#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text that others chose (a page, a server, a list file) as both programs
// show it inside a line of their own: in a message box, on standard error,
// in a reason. Standard library only, so both programs and both platforms
// share it.
namespace orlenda::text {

// The text with nothing left that can break the line or turn it: control
// characters (C0, DEL, C1, NEL among them) and the line and paragraph
// separators become blanks; the bidirectional marks and every other format
// character become escapes such as \u202E, so that a server's "elif"
// written backwards cannot read "file"; a byte that is not UTF-8 becomes
// U+FFFD. Every other character stays as it is.
std::string visibleLine(std::string_view utf8);

// The longest start of the text of at most maxBytes bytes that ends between
// UTF-8 characters.
std::string_view utf8Start(std::string_view text, std::size_t maxBytes);

}  // namespace orlenda::text
