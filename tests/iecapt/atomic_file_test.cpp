#include "atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "test_folder.h"

namespace orlenda::iecapt {
namespace {

namespace fs = std::filesystem;

using testing::fileText;
using testing::namesIn;

class AtomicFileTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return m_folder / name; }
    std::vector<std::string> names() const { return namesIn(m_folder.path()); }

    testing::TestFolder m_folder{"iecapt-atomic"};
};

TEST_F(AtomicFileTest, WritesEveryByteAndLeavesNothingElse) {
    std::string bytes(3 << 20, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    EXPECT_EQ(writeFileAtomically(path("a b.jpg"), bytes), "");
    EXPECT_EQ(fileText(path("a b.jpg")), bytes);
    EXPECT_EQ(names(), std::vector<std::string>{"a b.jpg"});
}

TEST_F(AtomicFileTest, ReplacesAnExistingFile) {
    std::ofstream(path("shot.jpg")) << "old and longer than the new one";
    EXPECT_EQ(writeFileAtomically(path("shot.jpg"), "new"), "");
    EXPECT_EQ(fileText(path("shot.jpg")), "new");
    EXPECT_EQ(names(), std::vector<std::string>{"shot.jpg"});
}

TEST_F(AtomicFileTest, TheNewFileGetsTheUsualPermissions) {
    const mode_t previous = ::umask(022);
    EXPECT_EQ(writeFileAtomically(path("shot.jpg"), "x"), "");
    ::umask(previous);
    struct stat status {};
    ASSERT_EQ(::stat(path("shot.jpg").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644U);
}

TEST_F(AtomicFileTest, AFailedWriteLeavesTheOldFileAndNoTemporaryOne) {
    fs::create_directory(path("taken"));  // a folder where the file should go
    std::ofstream(path("taken/inside")) << "keep";
    const std::string error = writeFileAtomically(path("taken"), "new");
    EXPECT_NE(error.find(path("taken")), std::string::npos) << error;
    EXPECT_EQ(names(), std::vector<std::string>{"taken"});
    EXPECT_EQ(fileText(path("taken/inside")), "keep");
}

TEST_F(AtomicFileTest, AMissingFolderIsReported) {
    const std::string error = writeFileAtomically(path("gone/shot.jpg"), "x");
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
    EXPECT_TRUE(names().empty());
}

TEST_F(AtomicFileTest, AWritablePathIsSeenAsSuchBeforehand) {
    std::ofstream(path("file")) << "x";
    fs::create_directory(path("folder"));
    EXPECT_EQ(checkWritableFilePath(path("new.jpg")), "");
    EXPECT_EQ(checkWritableFilePath(path("file")), "");  // replaced later
    EXPECT_NE(checkWritableFilePath(path("folder")).find("Is a directory"), std::string::npos);
    EXPECT_NE(checkWritableFilePath(path("gone/new.jpg")).find("No such file"), std::string::npos);
    EXPECT_NE(checkWritableFilePath(path("file/new.jpg")).find("Not a directory"),
              std::string::npos);
}

TEST_F(AtomicFileTest, ARelativePathIsWrittenInTheCurrentFolder) {
    const auto previous = fs::current_path();
    fs::current_path(m_folder.path());
    EXPECT_EQ(checkWritableFilePath("shot.jpg"), "");
    EXPECT_EQ(writeFileAtomically("shot.jpg", "x"), "");
    fs::current_path(previous);
    EXPECT_EQ(fileText(path("shot.jpg")), "x");
}

}  // namespace
}  // namespace orlenda::iecapt
