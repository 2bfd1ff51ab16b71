#pragma once

#include <string>
#include <vector>

namespace orlenda {

// A folder a dialog could open at, and whether it is a folder now.
struct StartCandidate {
    std::string path;
    bool isFolder = false;
};

// Where a file or folder dialog opens: at the first candidate that is a
// folder now, else at the home folder, as the desktop's own dialogs do; never
// at the folder the program happened to be started from.
std::string DialogStartFolder(const std::vector<StartCandidate>& candidates,
                              const std::string& homeFolder);

// The folder that holds the file at the path, as the file dialog gave it;
// empty text when the path names no folder.
std::string FolderOfFile(const std::string& path);

}  // namespace orlenda
