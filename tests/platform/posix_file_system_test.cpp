#include "platform/posix/posix_file_system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace orlenda::platform {
namespace {

namespace fs = std::filesystem;

// The capture tool replaces its output by renaming a new file over it: even
// with the same size and time, the stamp tells the new file from the old.
TEST(FileStamp, TellsAFileReplacedUnderItsNameFromTheOldOne) {
    const fs::path folder = ::testing::TempDir();
    const std::string image = folder / "stamped.jpg";
    const std::string replacement = folder / "stamped.jpg.new";
    std::ofstream(image) << "12345";
    std::ofstream(replacement) << "54321";
    fs::last_write_time(replacement, fs::last_write_time(image));
    const PosixFileSystem files;
    const std::optional<FileStamp> old = files.fileStamp(image);
    ASSERT_TRUE(old);
    EXPECT_EQ(old->size, 5u);
    EXPECT_EQ(files.fileStamp(image), old);

    fs::rename(replacement, image);
    EXPECT_NE(files.fileStamp(image), old);
    EXPECT_EQ(files.fileStamp(image)->modified, old->modified);
    fs::remove(image);
    for (const std::string& none : {std::string(), folder.string(), image}) {
        EXPECT_EQ(files.fileStamp(none), std::nullopt) << none;
    }
}

// As the shells read a typed folder: only "~" alone or before a "/" is home.
TEST(ExpandHomeShorthand, PutsTheHomeFolderForALeadingTildeOnly) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"~", "/home/u"},
        {"~/", "/home/u/"},
        {"~/shots/", "/home/u/shots/"},
        {"~shots", "~shots"},  // the home of the user "shots"
        {"/data/~/shots", "/data/~/shots"},
        {" ~/shots", " ~/shots"},
        {"", ""},
    };
    for (const auto& [typed, path] : cases) {
        EXPECT_EQ(ExpandHomeShorthand(typed, "/home/u"), path) << typed;
    }
    EXPECT_EQ(ExpandHomeShorthand("~/shots", "/"), "/shots");
    EXPECT_EQ(ExpandHomeShorthand("~/shots", ""), "~/shots");  // no home to put in
}

}  // namespace
}  // namespace orlenda::platform
