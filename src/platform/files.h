#pragma once

#include <string>

#include "platform/text_limit.h"

namespace orlenda::platform {

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
