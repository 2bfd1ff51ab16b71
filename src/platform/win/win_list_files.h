#pragma once

#include <string>

#include "platform/list_files.h"

namespace orlenda::platform {

// List files read with the Windows API, their text taken in a code page: by
// default the system's ANSI code page, as Windows programs read plain text.
class WinListFiles final : public ListFiles {
public:
    WinListFiles();
    explicit WinListFiles(unsigned codePage);

    std::unique_ptr<ListFile> open(const std::string& path) override;
    std::string toUtf8(std::string bytes) override;

private:
    std::string convertPerCharacter(const std::string& bytes) const;

    unsigned m_codePage;
};

}  // namespace orlenda::platform
