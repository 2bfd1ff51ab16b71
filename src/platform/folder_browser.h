#pragma once

#include <string>

#include "platform/window.h"

namespace orlenda::platform {

// The platform's browse-for-folder dialog.
class FolderBrowser {
public:
    virtual ~FolderBrowser() = default;

    // Shows the dialog modal to the owner, with the title, opened at the start
    // folder when it is one. Returns the chosen folder's path as the platform
    // gives it, or empty text when the user cancels or the choice is no folder
    // of the file system.
    virtual std::string BrowseForFolder(MainWindow& owner, const std::string& title,
                                        const std::string& start) = 0;
};

}  // namespace orlenda::platform
