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
};

}  // namespace orlenda::platform
