#pragma once

#include <string>

namespace orlenda::iecapt {

// Where the throw-away folders go: $TMPDIR, else /tmp.
std::string temporaryBase();

// The browser's throw-away folder, "iecapt-XXXXXX" under temporaryBase(): its
// profile, its temporary files and the home it is given, so it leaves nothing
// in the user's. Removed with all it holds when this object goes. While it
// lives it holds a lock on its "owner.lock", by which a later run knows that
// a folder whose lock is free was left by a tool that was killed.
class ProfileFolder {
public:
    ProfileFolder();
    ~ProfileFolder();
    ProfileFolder(const ProfileFolder&) = delete;
    ProfileFolder& operator=(const ProfileFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string profile() const { return m_path + "/profile"; }
    std::string temporaryFiles() const { return m_path + "/tmp"; }
    std::string home() const { return m_path + "/home"; }
    std::string browserLog() const { return m_path + "/browser.log"; }

    // Removes what the browser wrote, once it has been ended; the folder and
    // its lock go with this object.
    void removeBrowserFiles() const;

private:
    void removeAll();

    std::string m_path;
    int m_lockFd = -1;
};

// Removes the folders in base that a ProfileFolder made and whose tool has
// gone: each "iecapt-XXXXXX" folder of this user whose owner.lock is not
// held. Leaves alone every other entry, a live tool's folder, and one whose
// lock file is not there yet.
void removeStaleProfileFolders(const std::string& base);

}  // namespace orlenda::iecapt
