#pragma once

#include <string>

namespace orlenda::platform {

// The folder for the toolkit's runtime files (XDG_RUNTIME_DIR) when the
// session names none that is a folder: "orlenda/runtime" in the user's cache
// folder ($XDG_CACHE_HOME when absolute, else ~/.cache). Left to itself the
// toolkit makes one beside the temporary folder, which is the disk's root
// ("/runtime-root") when TMPDIR names no folder. Empty when the session's
// own stands, or when there is no home to put one in.
std::string RuntimeFolderToUse(const std::string& session, bool sessionIsFolder,
                               const std::string& cacheHome, const std::string& home);

// Points XDG_RUNTIME_DIR at RuntimeFolderToUse, made private to the user,
// when there is one. Call before the toolkit starts.
void UseRuntimeFolderOfTheUser();

}  // namespace orlenda::platform
