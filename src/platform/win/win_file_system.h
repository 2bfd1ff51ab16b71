#pragma once

#include "platform/files.h"

namespace orlenda::platform {

class WinFileSystem final : public FileSystem {
public:
    bool fileExists(const std::string& path) const override;
    bool isFolder(const std::string& path) const override;
    std::string programFolder() const override;
};

}  // namespace orlenda::platform
