#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace orlenda::platform {

// A list file open for reading from front to back; destroying it closes it.
class ListFile {
public:
    virtual ~ListFile() = default;

    // Reads up to size bytes into buffer and returns how many were read; 0
    // only at the end of the file. Throws std::runtime_error, with a text for
    // the user, when the file cannot be read.
    virtual std::size_t read(char* buffer, std::size_t size) = 0;
    // True when read gives UTF-8 (the file starts with a byte-order mark,
    // which read leaves out), false when it gives the system's code page.
    virtual bool readsUtf8() const { return false; }
};

// Sequential reading of text files in the system's 8-bit code page, or in
// Unicode when they start with a byte-order mark, and writing new ones that
// read back the same.
class ListFiles {
public:
    virtual ~ListFiles() = default;

    // Throws std::runtime_error, with a text for the user, when the path
    // cannot be opened for reading or is not a regular file. The file is read
    // through its byte-order mark, if it has one (MarkedListFile).
    virtual std::unique_ptr<ListFile> open(const std::string& path) = 0;
    // Text read from a list file that is in the system's code page, turned
    // into UTF-8. Never fails: bytes that are not valid in the code page are kept
    // as the characters they stand for in Windows-1252.
    virtual std::string toUtf8(std::string bytes) = 0;
    // Creates a list file at the path holding the rows (UTF-8, without line
    // ends of their own), one a line, in the code page and with the line
    // ends that open and toUtf8 read back as the same rows. The file gets its
    // name only once it is whole and on the disk, so a crash never leaves
    // part of it there. Never replaces a file: returns false, writing
    // nothing, when the path is taken. Throws std::runtime_error with the
    // system's reason ("Permission denied") when the file cannot be written;
    // no part of it is left behind then.
    virtual bool createListFile(const std::string& path, const std::vector<std::string>& rows) = 0;
};

}  // namespace orlenda::platform
