#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/text_limit.h"

namespace orlenda::platform {

// What tells one version of a file from another: a file written anew, or
// replaced by another under its name, has another stamp.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t modified = 0;    // the last change, in the platform's own units
    std::uint64_t volume = 0;     // the file's identity: its device or volume ...
    std::uint64_t fileIndex = 0;  // ... and its number there (inode, file index)

    bool operator==(const FileStamp&) const = default;
};

// What the handlers ask of the file system. None of these ever fails: a path
// that cannot be examined simply answers false.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // True when the last-modified time of the path can be read.
    virtual bool fileExists(const std::string& path) const = 0;
    // True only when the path can be examined and is a folder.
    virtual bool isFolder(const std::string& path) const = 0;
    // The folder that holds the program's executable, without a trailing separator.
    virtual std::string programFolder() const = 0;
    // The stamp of the regular file at the path; nothing when there is none.
    virtual std::optional<FileStamp> fileStamp(const std::string& path) const = 0;
    // The path that a folder typed by the user names, read the way the
    // platform's own shells and file choosers read it; other text unchanged.
    virtual std::string typedPath(const std::string& text) const = 0;
};

// The separator of the platform's paths.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The longest file name, and the longest whole path, the file system takes.
#ifdef _WIN32
inline constexpr TextLimit kFileNameLimit{255, TextUnit::Utf16Units};
// MAX_PATH, its NUL included; longer paths need long-path support switched on.
inline constexpr TextLimit kPathLimit{260 - 1, TextUnit::Utf16Units};
#else
// NAME_MAX and PATH_MAX, the latter with its NUL.
inline constexpr TextLimit kFileNameLimit{255, TextUnit::Utf8Bytes};
inline constexpr TextLimit kPathLimit{4096 - 1, TextUnit::Utf8Bytes};
#endif

}  // namespace orlenda::platform
