#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/list_files.h"

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

// Reads a list file through the byte-order mark it may start with, as
// Notepad writes them: text after a UTF-16 mark (little- or big-endian) comes
// out as UTF-8, a UTF-8 mark is dropped; either way readsUtf8() is true. A
// file without a mark whose first bytes hold a NUL in every other place, as
// UTF-16 text of addresses does, is read as UTF-16 too (little-endian when
// the NULs come second); any other is read as it is.
class MarkedListFile final : public ListFile {
public:
    // How many of the file's first bytes tell UTF-16 without a mark.
    static constexpr std::size_t kFirstBytesLookedAt = 64;

    // Reads the file's first bytes. Throws as the file's read does.
    explicit MarkedListFile(std::unique_ptr<ListFile> file);

    std::size_t read(char* buffer, std::size_t size) override;
    bool readsUtf8() const override { return m_mark != Mark::None; }

private:
    enum class Mark { None, Utf8, Utf16LittleEndian, Utf16BigEndian };

    // What the NULs among the first bytes of a file without a mark tell.
    static Mark UnmarkedUtf16(std::string_view firstBytes);

    // Turns the whole UTF-16 units in m_raw into UTF-8 in m_text; at the end
    // of the file, what is left too.
    void decodeUtf16(bool atEnd);

    std::unique_ptr<ListFile> m_file;
    Mark m_mark = Mark::None;
    std::string m_raw;   // bytes read from the file, not yet handed out or decoded
    std::string m_text;  // decoded text not yet handed out
    std::size_t m_textAt = 0;
};

// Appends the character as UTF-8.
void AppendUtf8(std::string& utf8, char32_t character);

// A new list is written under a hidden name beside its own, then renamed:
// "." name "." nine random digits ".part".
std::string TemporaryListPath(const std::string& path, char separator);

// A character that the code page cannot hold is written as a browser sends
// it: its UTF-8 bytes percent-encoded. Appends them so to text.
void AppendPercentEncoded(std::string& text, std::string_view utf8Character);

}  // namespace orlenda::platform
