#pragma once

#include "platform/folder_browser.h"

namespace orlenda::platform {

// Qt's folder dialog: the desktop's own where the platform offers one.
class QtFolderBrowser final : public FolderBrowser {
public:
    std::string BrowseForFolder(MainWindow& owner, const std::string& title,
                                const std::string& start) override;
};

}  // namespace orlenda::platform
