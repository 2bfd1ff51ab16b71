#pragma once

#include "platform/files.h"

namespace orlenda::platform {

class WinFileSystem final : public FileSystem {
public:
    bool fileExists(const std::string& path) const override;
    bool isFolder(const std::string& path) const override;
    std::string programFolder() const override;
    // The size, the last write time in 100-nanosecond steps since 1601, the
    // volume's serial number and the file's index on it.
    std::optional<FileStamp> fileStamp(const std::string& path) const override;
    // Windows has no shorthand of its own for a folder: "~" is a name like any other.
    std::string typedPath(const std::string& text) const override { return text; }
};

}  // namespace orlenda::platform
