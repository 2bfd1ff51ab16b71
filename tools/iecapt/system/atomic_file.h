#pragma once

#include <string>
#include <string_view>

namespace orlenda::iecapt {

// Empty when a file can be written at the path: its folder exists and is
// writable, the name is not too long for it, and nothing but a regular file is there (no folder,
// symbolic link, device, FIFO or socket, which a capture must never replace). Otherwise why not.
// Lets the tool refuse at once instead of after rendering the page.
std::string checkWritableFilePath(const std::string& path);

// Writes the bytes to a new temporary file beside the path and renames it into
// place once complete and flushed, so the path never holds half a file and an
// existing file is replaced only by a complete one, and only when it is a
// regular file, even one put there while the page was captured. Empty on
// success, otherwise why it failed; the temporary file is gone either way.
std::string writeFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace orlenda::iecapt

namespace orlenda::iecapt::atomic_file {

// Shared by the platforms' halves.

// What a temporary name adds to the target's: two dots, nine digits, ".part".
inline constexpr std::size_t kTemporaryNameExtra = 16;

// How the file system counts a name's length: in bytes (POSIX), or in UTF-16
// code units (Windows).
enum class Units { Bytes, Utf16 };
std::size_t lengthIn(std::string_view text, Units units);

// As much of the target's name as a temporary name beside it can hold, so
// that it fits the file system wherever the target does: a name of at most
// nameLimit, a path of at most pathLimit, never cut inside a character.
std::string temporaryNameStem(const std::string& target, std::size_t nameLimit,
                              std::size_t pathLimit, Units units);

// A hidden name beside the target: "." stem "." nine random digits ".part".
std::string temporaryPathBeside(const std::string& target, const std::string& stem);

// The target's folder; "." for a bare name.
std::string folderOf(const std::string& path);

// "cannot write PATH: it is a folder, not a regular file"
std::string refusal(const std::string& path, const std::string& what);

// The name of the path (its last part), and the refusal of one too long.
std::string nameOf(const std::string& path);
std::string nameTooLong(const std::string& path);

}  // namespace orlenda::iecapt::atomic_file
