#include "system/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
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

// The temporary file must fit wherever the file itself does: a name of the
// most bytes a name may take (in two-byte characters too), and a path of the
// most bytes a path may take.
TEST_F(AtomicFileTest, WritesAnyPathTheFileSystemTakes) {
    std::string deepFolder = path("deep");
    while (deepFolder.size() < PATH_MAX - 300) deepFolder += "/" + std::string(100, 'd');
    deepFolder += "/" + std::string(PATH_MAX - 100 - deepFolder.size() - 1, 'e');
    std::string twoByteName;
    while (twoByteName.size() + 2 + 4 <= NAME_MAX) twoByteName += "\xC3\xA9";
    const std::pair<std::string, std::string> targets[] = {
        {path("long"), std::string(NAME_MAX - 4, 'n') + ".jpg"},
        {path("wide"), twoByteName + "x.jpg"},
        {deepFolder, std::string(PATH_MAX - 1 - deepFolder.size() - 1 - 4, 'p') + ".jpg"},
    };
    for (const auto& [folder, name] : targets) {
        ASSERT_LE(name.size(), std::size_t{NAME_MAX});
        std::filesystem::create_directories(folder);
        EXPECT_EQ(writeFileAtomically(folder + "/" + name, "image"), "") << name.size();
        EXPECT_EQ(namesIn(folder), std::vector<std::string>{name});
    }
}

TEST_F(AtomicFileTest, AFailedWriteSaysWhyAndLeavesAllAsItWas) {
    // What may turn up at the path after the check: each stays as it was.
    std::filesystem::create_directory(path("taken"));
    std::ofstream(path("taken/inside")) << "keep";
    std::ofstream(path("target")) << "keep";
    std::filesystem::create_symlink(path("target"), path("link"));
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    const std::pair<std::string, std::string> failures[] = {
        {path("taken"), "it is a folder"},
        {path("link"), "it is a symbolic link"},
        {path("fifo"), "it is a FIFO"},
        {path("gone/shot.jpg"), "No such file or directory"},
    };
    for (const auto& [target, reason] : failures) {
        EXPECT_NE(writeFileAtomically(target, "new").find(reason), std::string::npos) << target;
    }
    std::vector<std::string> names = namesIn(m_folder.path());
    std::ranges::sort(names);
    EXPECT_EQ(names, (std::vector<std::string>{"fifo", "link", "taken", "target"}));
    EXPECT_EQ(fileText(path("taken/inside")), "keep");
    EXPECT_EQ(fileText(path("target")), "keep");
    EXPECT_TRUE(std::filesystem::is_symlink(path("link")));
    EXPECT_TRUE(std::filesystem::is_fifo(path("fifo")));
}

TEST_F(AtomicFileTest, APathThatCannotBeWrittenIsSeenBeforehand) {
    std::ofstream(path("file")) << "x";
    std::filesystem::create_directory(path("folder"));
    std::filesystem::create_symlink(path("file"), path("link"));
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    const std::pair<std::string, std::string> cases[] = {
        {path("new.jpg"), ""},
        {path("file"), ""},  // replaced later
        {path("folder"), "it is a folder"},
        {path("link"), "it is a symbolic link"},
        {path("fifo"), "it is a FIFO"},
        {"/dev/null", "it is a device, not a regular file"},
        {path("gone/new.jpg"), "No such file"},
        {path("file/new.jpg"), "Not a directory"},
        {path(std::string(NAME_MAX - 4, 'n') + ".jpg"), ""},
        {path(std::string(NAME_MAX - 4, 'n') + ".jpeg"), "the name is too long for the folder"},
    };
    for (const auto& [target, reason] : cases) {
        const std::string error = checkWritableFilePath(target);
        EXPECT_EQ(error.empty(), reason.empty()) << target << ": " << error;
        EXPECT_NE(error.find(reason), std::string::npos) << target << ": " << error;
    }
}

}  // namespace
}  // namespace orlenda::iecapt
