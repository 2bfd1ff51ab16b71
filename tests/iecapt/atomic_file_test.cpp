#include "atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "test_support.h"

namespace orlenda::iecapt {
namespace {

using testing::fileText;
using testing::namesIn;

class AtomicFileTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return m_folder / name; }

    testing::TestFolder m_folder;
};

TEST_F(AtomicFileTest, WritesAWholeFileThenReplacesItLeavingNothingElse) {
    std::string bytes(3 << 20, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    const mode_t previous = ::umask(022);
    EXPECT_EQ(writeFileAtomically(path("a b.jpg"), bytes), "");
    EXPECT_EQ(fileText(path("a b.jpg")), bytes);
    EXPECT_EQ(writeFileAtomically(path("a b.jpg"), "new"), "");
    ::umask(previous);
    EXPECT_EQ(fileText(path("a b.jpg")), "new");
    EXPECT_EQ(namesIn(m_folder.path()), std::vector<std::string>{"a b.jpg"});
    struct stat status {};
    ASSERT_EQ(::stat(path("a b.jpg").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644U) << "not the permissions of any new file";
}

TEST_F(AtomicFileTest, AFailedWriteSaysWhyAndLeavesAllAsItWas) {
    std::filesystem::create_directory(path("taken"));  // a folder where the file should go
    std::ofstream(path("taken/inside")) << "keep";
    const std::pair<std::string, std::string> failures[] = {
        {path("taken"), path("taken")}, {path("gone/shot.jpg"), "No such file or directory"}};
    for (const auto& [target, reason] : failures) {
        EXPECT_NE(writeFileAtomically(target, "new").find(reason), std::string::npos) << target;
    }
    EXPECT_EQ(namesIn(m_folder.path()), std::vector<std::string>{"taken"});
    EXPECT_EQ(fileText(path("taken/inside")), "keep");
}

TEST_F(AtomicFileTest, APathThatCannotBeWrittenIsSeenBeforehand) {
    std::ofstream(path("file")) << "x";
    std::filesystem::create_directory(path("folder"));
    const std::pair<std::string, std::string> cases[] = {
        {path("new.jpg"), ""},
        {path("file"), ""},  // replaced later
        {path("folder"), "Is a directory"},
        {path("gone/new.jpg"), "No such file"},
        {path("file/new.jpg"), "Not a directory"},
    };
    for (const auto& [target, reason] : cases) {
        const std::string error = checkWritableFilePath(target);
        EXPECT_EQ(error.empty(), reason.empty()) << target << ": " << error;
        EXPECT_NE(error.find(reason), std::string::npos) << target << ": " << error;
    }
}

}  // namespace
}  // namespace orlenda::iecapt
