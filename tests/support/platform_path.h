#pragma once

#include <algorithm>
#include <string>

#include "platform/files.h"

namespace orlenda::testing {

// A path written in POSIX form, in the platform's own: as written on POSIX,
// on drive C: with backslashes on Windows ("/opt/orlenda" is C:\opt\orlenda).
inline std::string PlatformPath(std::string path) {
    if (platform::kPathSeparator == '\\' && path.starts_with('/')) path.insert(0, "C:");
    std::replace(path.begin(), path.end(), '/', platform::kPathSeparator);
    return path;
}

}  // namespace orlenda::testing
