#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/native_handle.h"

namespace orlenda::iecapt {

// The temporary folder: $TMPDIR, else /tmp; on Windows the user's
// temporary folder (%TMP%, %TEMP%).
std::string temporaryBase();

// Where the throw-away folders go: the temporary folder, unless it is too
// long for the full browser's socket in it (a Unix socket's path holds
// about 108 bytes, and the browser quits without one); then /tmp.
std::string profileFolderBase();

// The browser's throw-away folder, "iecapt-XXXXXX" under temporaryBase(): its
// profile, its temporary files and the home it is given, so it leaves nothing
// in the user's. Removed with all it holds when this object goes. While it
// lives it holds its "owner.lock" (a lock on POSIX systems, the file open
// for no one else on Windows), by which a later run knows that a folder whose
// lock is free was left by a tool that was killed.
class ProfileFolder {
public:
    ProfileFolder();
    ~ProfileFolder();
    ProfileFolder(const ProfileFolder&) = delete;
    ProfileFolder& operator=(const ProfileFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string profile() const { return inside("profile"); }
    std::string temporaryFiles() const { return inside("tmp"); }
    std::string home() const { return inside("home"); }
    std::string browserLog() const { return inside("browser.log"); }

    // Removes what the browser wrote, once it has been ended; the folder and
    // its lock go with this object.
    void removeBrowserFiles() const;

private:
    std::string inside(std::string_view name) const;
    void makeFolders();
    void removeAll();

    std::string m_path;
    NativeHandle m_lock;
};

// Removes the folders in base that a ProfileFolder made and whose tool has
// gone: each "iecapt-XXXXXX" folder of this user whose owner.lock is not
// held, or that has no owner.lock and has not changed for a while (a browser
// that outlived its killed tool can write into the folder after it was
// removed). Leaves alone every other entry, a live tool's folder, and one a
// tool may still be making.
void removeStaleProfileFolders(const std::string& base);

// Shared by the platforms' halves.
namespace profile_folder {

inline constexpr std::string_view kPrefix = "iecapt-";
inline constexpr std::string_view kLockName = "owner.lock";

// Whether the browser's socket, deepest in a throw-away folder made in
// base (...iecapt-XXXXXX/tmp/org.chromium.Chromium.XXXXXX/SingletonSocket),
// fits in a Unix socket's path.
bool leavesRoomForBrowserSocket(std::string_view base);

// A name "iecapt-XXXXXX" gets from mkdtemp, or from the Windows half.
bool isProfileFolderName(std::string_view name);

// How long a folder without a lock must have stayed unchanged to be taken
// for one its tool and browser left: making the lock takes a tool
// milliseconds, and a browser is never left running this long.
inline constexpr std::chrono::minutes kLocklessFolderAge{10};

// Whether a folder without a lock, last changed at lastChange, was left.
bool isLeftWithoutLock(std::filesystem::file_time_type lastChange,
                       std::filesystem::file_time_type now);

// Whether the folder has no lock and nothing in it has changed for
// kLocklessFolderAge; false when that cannot be told.
bool isLeftWithoutLock(const std::string& folder);

// Removes a folder and all it holds, several files at a time.
void removeTree(const std::string& folder);

// Throws the BrowserFailed failure of a folder or file that could not be made.
[[noreturn]] void failToMake(const std::string& what, const std::string& where,
                             const std::string& reason);

}  // namespace profile_folder

}  // namespace orlenda::iecapt
