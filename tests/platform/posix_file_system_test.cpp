#include "platform/posix/posix_file_system.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace orlenda::platform {
namespace {

namespace fs = std::filesystem;

class PosixFileSystemTest : public ::testing::Test {
protected:
    ~PosixFileSystemTest() override { fs::remove_all(m_folder); }

    std::string write(const std::string& name, const std::string& content) const {
        const fs::path path = m_folder / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    const fs::path m_folder = [] {
        std::string pattern = (fs::temp_directory_path() / "orlenda-files-XXXXXX").string();
        return fs::path(::mkdtemp(pattern.data()));
    }();
    PosixFileSystem files;
};

// The capture tool replaces its output by renaming a new file over it: even
// with the same size and time, the stamp tells the new file from the old.
TEST_F(PosixFileSystemTest, AFileReplacedOrRewrittenGetsAnotherStamp) {
    const std::string image = write("a.jpg", "12345");
    const std::optional<FileStamp> old = files.fileStamp(image);
    ASSERT_TRUE(old);
    EXPECT_EQ(old->size, 5u);
    EXPECT_EQ(files.fileStamp(image), old);

    const std::string replacement = write("a.jpg.new", "54321");
    fs::last_write_time(replacement, fs::last_write_time(image));
    fs::rename(replacement, image);
    const std::optional<FileStamp> replaced = files.fileStamp(image);
    ASSERT_TRUE(replaced);
    EXPECT_EQ(replaced->size, old->size);
    EXPECT_EQ(replaced->modified, old->modified);
    EXPECT_NE(replaced, old);

    write("a.jpg", "1234567");
    EXPECT_EQ(files.fileStamp(image)->size, 7u);

    for (const std::string& none : {std::string(), m_folder.string(), image + ".missing"}) {
        EXPECT_EQ(files.fileStamp(none), std::nullopt) << none;
    }
}

TEST_F(PosixFileSystemTest, TheHomeFolderIsHomeOrTheAccountsOwn) {
    ASSERT_NE(::getenv("HOME"), nullptr);
    const std::string home = ::getenv("HOME");
    EXPECT_EQ(files.homeFolder(), home);
    ::unsetenv("HOME");
    const std::string account = files.homeFolder();
    ::setenv("HOME", home.c_str(), 1);
    EXPECT_FALSE(account.empty());
    EXPECT_TRUE(fs::path(account).is_absolute()) << account;
}

}  // namespace
}  // namespace orlenda::platform
