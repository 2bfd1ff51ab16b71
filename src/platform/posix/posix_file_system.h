#pragma once

#include "platform/files.h"

namespace orlenda::platform {

class PosixFileSystem final : public FileSystem {
public:
    bool fileExists(const std::string& path) const override;
    bool isFolder(const std::string& path) const override;
    std::string programFolder() const override;
    std::optional<FileStamp> fileStamp(const std::string& path) const override;
};

}  // namespace orlenda::platform
