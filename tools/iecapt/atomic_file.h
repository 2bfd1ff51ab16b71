#pragma once

#include <string>
#include <string_view>

namespace orlenda::iecapt {

// Empty when a file can be written at the path: its folder exists and is
// writable, and nothing but a regular file is there (no folder, symbolic link,
// device, FIFO or socket, which a capture must never replace). Otherwise why
// not. Lets the tool refuse at once instead of after rendering the page.
std::string checkWritableFilePath(const std::string& path);

// Writes the bytes to a new temporary file beside the path and renames it into
// place once complete and flushed, so the path never holds half a file and an
// existing file is replaced only by a complete one, and only when it is a
// regular file, even one put there while the page was captured. Empty on
// success, otherwise why it failed; the temporary file is gone either way.
std::string writeFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace orlenda::iecapt
