#pragma once

#include "platform/files.h"

namespace orlenda::platform {

class PosixFileSystem final : public FileSystem {
public:
    bool fileExists(const std::string& path) const override;
    bool isFolder(const std::string& path) const override;
    std::string programFolder() const override;
    std::optional<FileStamp> fileStamp(const std::string& path) const override;
    // A leading "~" or "~/" stands for the home folder.
    std::string typedPath(const std::string& text) const override;
};

// The text with a leading "~" or "~/" replaced by the home folder. "~name"
// (another user's home) and text without a home to put in stay as they are.
std::string ExpandHomeShorthand(const std::string& text, const std::string& home);

}  // namespace orlenda::platform
