#pragma once

#include <string>

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

}  // namespace orlenda::platform
