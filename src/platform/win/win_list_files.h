#pragma once

#include <string>

#include "platform/list_files.h"

namespace orlenda::platform {

// List files read and written with the Windows API, their text in a code
// page: by default the system's ANSI code page, as Windows programs read and
// write plain text.
class WinListFiles final : public ListFiles {
public:
    WinListFiles();
    explicit WinListFiles(unsigned codePage);

    std::unique_ptr<ListFile> open(const std::string& path) override;
    std::string toUtf8(std::string bytes) override;
    // Lines end with CR LF. A character the code page cannot hold is written
    // percent-encoded, as a browser sends it.
    bool createListFile(const std::string& path, const std::vector<std::string>& rows) override;

private:
    std::string fromUtf8(const std::string& text) const;

    unsigned m_codePage;
};

}  // namespace orlenda::platform
