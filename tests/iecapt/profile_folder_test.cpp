// The browser's throw-away folders: where they go, and which ones a later run
// may take away.

#include "system/profile_folder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "test_support.h"

namespace orlenda::iecapt {
namespace {

namespace fs = std::filesystem;
using testing::namesIn;

// Points TMPDIR at a folder of the test's own while it lives.
class TemporaryBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("TMPDIR");
        if (old != nullptr) m_oldTmpdir = old;
        ::setenv("TMPDIR", m_base.path().c_str(), 1);
    }
    void TearDown() override {
        if (m_oldTmpdir.empty()) {
            ::unsetenv("TMPDIR");
        } else {
            ::setenv("TMPDIR", m_oldTmpdir.c_str(), 1);
        }
    }
    std::vector<std::string> sortedNames() const {
        std::vector<std::string> names = namesIn(m_base.path());
        std::ranges::sort(names);
        return names;
    }

    testing::TestFolder m_base;
    std::string m_oldTmpdir;
};

TEST_F(TemporaryBaseTest, AFolderUnderTmpdirHoldsProfileHomeAndTemporaryFilesAndGoesWithAll) {
    std::string path;
    {
        const ProfileFolder folder;
        path = folder.path();
        EXPECT_EQ(fs::path(path).parent_path(), fs::path(m_base.path()));
        for (const std::string& inside :
             {folder.profile(), folder.home(), folder.temporaryFiles()}) {
            EXPECT_TRUE(fs::is_directory(inside)) << inside;
        }
        std::ofstream(folder.profile() + "/file") << "x";
        folder.removeBrowserFiles();
        EXPECT_FALSE(fs::exists(folder.profile()));
        EXPECT_TRUE(fs::exists(path + "/owner.lock"));
    }
    EXPECT_FALSE(fs::exists(path));
    // Too long for the full browser's socket deepest in it: in /tmp instead.
    const std::string longBase = m_base / std::string(117 - m_base.path().size(), 'a');
    fs::create_directory(longBase);
    ::setenv("TMPDIR", longBase.c_str(), 1);
    EXPECT_EQ(fs::path(ProfileFolder().path()).parent_path(), fs::path("/tmp"));
    ::unsetenv("TMPDIR");
    EXPECT_EQ(temporaryBase(), "/tmp");
}

TEST(LocklessFolderTest, IsTakenForLeftOnlyAfterTenMinutesUnchanged) {
    using namespace std::chrono_literals;
    const auto now = fs::file_time_type::clock::now();
    const std::pair<fs::file_time_type, bool> cases[] = {
        {now, false}, {now - 9min, false}, {now - 11min, true}, {now + 1h, false}};
    for (const auto& [lastChange, left] : cases) {
        EXPECT_EQ(profile_folder::isLeftWithoutLock(lastChange, now), left)
            << (now - lastChange).count();
    }
}

// Sets the time of the folder and of all it holds to an hour ago.
void ageTree(const std::string& folder) {
    using namespace std::chrono_literals;
    const auto hourAgo = fs::file_time_type::clock::now() - 1h;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_symlink()) fs::last_write_time(entry.path(), hourAgo);
    }
    fs::last_write_time(folder, hourAgo);
}

TEST_F(TemporaryBaseTest, OnlyFoldersOfToolsThatHaveGoneAreRemoved) {
    const ProfileFolder live;
    const auto make = [&](const std::string& name, bool withLock) {
        fs::create_directories(m_base / name + "/profile/Default");
        std::ofstream(m_base / name + "/profile/Default/History") << "x";
        if (withLock) std::ofstream(m_base / name + "/owner.lock");
    };
    make("iecapt-KILLED", true);   // its tool was killed: the lock is free
    make("iecapt-NEWONE", false);  // a tool is just making it, or not ours
    // What a dying browser wrote after its folder was removed, long ago: as
    // Chromium leaves them, with a link that points nowhere.
    make("iecapt-LEFTOV", false);
    fs::create_symlink("host-123", m_base / "iecapt-LEFTOV/profile/SingletonLock");
    ageTree(m_base / "iecapt-LEFTOV");
    // Long unchanged but for one file just written: still in use.
    make("iecapt-INUSE1", false);
    ageTree(m_base / "iecapt-INUSE1");
    std::ofstream(m_base / "iecapt-INUSE1/profile/Default/History") << "more";
    make("iecapt-bench-ABCDEF", true);
    make("iecapt-SHORT", true);
    std::ofstream(m_base / "iecapt-AFILE1") << "x";
    fs::create_directory_symlink(m_base / "iecapt-NEWONE", m_base / "iecapt-LINKED");

    removeStaleProfileFolders(m_base.path());

    std::vector<std::string> expected = {"iecapt-AFILE1",
                                         "iecapt-INUSE1",
                                         "iecapt-LINKED",
                                         "iecapt-NEWONE",
                                         "iecapt-SHORT",
                                         "iecapt-bench-ABCDEF",
                                         fs::path(live.path()).filename()};
    std::ranges::sort(expected);
    EXPECT_EQ(sortedNames(), expected);
    EXPECT_TRUE(fs::exists(live.profile())) << "a live tool's folder was taken";
}

}  // namespace
}  // namespace orlenda::iecapt
