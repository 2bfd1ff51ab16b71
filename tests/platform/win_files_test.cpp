#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/win/win_file_system.h"
#include "platform/win/win_list_files.h"

namespace orlenda::platform {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

std::string Utf8Of(const fs::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

fs::path PathOf(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Content(const std::string& path) {
    std::ostringstream content;
    content << std::ifstream(PathOf(path), std::ios::binary).rdbuf();
    return content.str();
}

class WinFilesTest : public ::testing::Test {
protected:
    WinFilesTest() { fs::create_directories(m_folder); }
    ~WinFilesTest() override { fs::remove_all(m_folder); }

    // A file in the test's folder; its name may hold any character.
    std::string write(const std::u8string& name, const std::string& bytes) const {
        std::ofstream(m_folder / name, std::ios::binary) << bytes;
        return Utf8Of(m_folder / name);
    }

    const fs::path m_folder =
        fs::temp_directory_path() / ("orlenda-files-" + std::to_string(::GetCurrentProcessId()));
};

TEST_F(WinFilesTest, AttributesAnswerForTheWholePathInAnyCharacters) {
    const std::string file = write(u8"list \u00fc \u65e5\u672c.txt", "x");
    const std::string folder = Utf8Of(m_folder);
    // Path, exists, is a folder.
    const std::tuple<std::string, bool, bool> paths[] = {
        {file, true, false},
        {folder, true, true},
        {folder + "\\", true, true},
        {folder + "\\missing.txt", false, false},
        {"", false, false},
        {folder + std::string("\0\\missing", 9), false, false},  // not cut at the NUL
    };
    for (const auto& [path, exists, isFolder] : paths) {
        EXPECT_EQ(WinFileSystem().fileExists(path), exists) << path;
        EXPECT_EQ(WinFileSystem().isFolder(path), isFolder) << path;
    }
    const std::string program = WinFileSystem().programFolder();
    EXPECT_TRUE(WinFileSystem().fileExists(program + "\\win_files_test.exe")) << program;
}

// The capture tool replaces its output by renaming a new file over it: even
// with the same size and time, the stamp tells the new file from the old.
TEST_F(WinFilesTest, AFileStampTellsAFileReplacedUnderItsNameFromTheOldOne) {
    const std::string image = write(u8"stamped \u00fc.jpg", "12345");
    const std::string replacement = write(u8"stamped \u00fc.jpg.new", "54321");
    // Whole seconds: Wine keeps no finer times when they are set.
    const auto sameTime =
        std::chrono::floor<std::chrono::seconds>(fs::last_write_time(PathOf(image)));
    fs::last_write_time(PathOf(image), sameTime);
    fs::last_write_time(PathOf(replacement), sameTime);
    const WinFileSystem files;
    const std::optional<FileStamp> old = files.fileStamp(image);
    ASSERT_TRUE(old);
    EXPECT_EQ(old->size, 5u);
    EXPECT_EQ(files.fileStamp(image), old);

    fs::rename(PathOf(replacement), PathOf(image));
    EXPECT_NE(files.fileStamp(image), old);
    EXPECT_EQ(files.fileStamp(image)->modified, old->modified);
    fs::remove(PathOf(image));
    for (const std::string& none : {std::string(), Utf8Of(m_folder), image, std::string("NUL")}) {
        EXPECT_EQ(files.fileStamp(none), std::nullopt) << none;
    }
}

TEST_F(WinFilesTest, ListFileTextIsTheCodePageAndStrayBytesAreReadAsWindows1252) {
    struct Case {
        unsigned codePage;
        std::string bytes;
        std::string text;
    };
    const Case cases[] = {
        {1252, "caf\xE9 \x80 \x81", "caf\xC3\xA9 \xE2\x82\xAC \xC2\x81"},
        {1251, "\xCF\xF0\xE8", "\xD0\x9F\xD1\x80\xD0\xB8"},
        {932, "\x82\xA0", "\xE3\x81\x82"},
        // Shift_JIS: a lead byte with no valid second byte, and one cut off.
        {932, "\x82\x20\x82\xA0\x82", "\xE2\x80\x9A \xE3\x81\x82\xE2\x80\x9A"},
        {CP_UTF8, "caf\xC3\xA9 \xE9", "caf\xC3\xA9 \xC3\xA9"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WinListFiles(c.codePage).toUtf8(c.bytes), c.text)
            << c.codePage << ": " << ::testing::PrintToString(c.bytes);
    }
}

// A new list holds the rows in the code page they are read in, with Windows
// line ends; characters the code page lacks are percent-encoded.
TEST_F(WinFilesTest, ListFilesAreWrittenInTheCodePageTheyAreReadIn) {
    const std::vector<std::string> rows = {"http://caf\xC3\xA9/\xE2\x82\xAC", "", "\xE6\x97\xA5"};
    const std::pair<unsigned, std::string> codePages[] = {
        {CP_UTF8, "http://caf\xC3\xA9/\xE2\x82\xAC\r\n\r\n\xE6\x97\xA5\r\n"},
        {1252, "http://caf\xE9/\x80\r\n\r\n%E6%97%A5\r\n"},
        {932, "http://caf%C3%A9/%E2%82%AC\r\n\r\n\x93\xFA\r\n"},
    };
    const std::string path = Utf8Of(m_folder / u8"Not saved \u00fc.txt");
    for (const auto& [codePage, bytes] : codePages) {
        WinListFiles files(codePage);
        ASSERT_TRUE(files.createListFile(path, rows));
        EXPECT_FALSE(files.createListFile(path, {"other"}));  // taken: left as it is
        EXPECT_EQ(Content(path), bytes) << codePage;
        EXPECT_EQ(files.toUtf8(bytes.substr(0, bytes.find('\r'))),
                  codePage == 932 ? "http://caf%C3%A9/%E2%82%AC" : rows[0])
            << codePage;
        fs::remove(PathOf(path));
    }
    EXPECT_THAT(
        [&] { WinListFiles().createListFile(Utf8Of(m_folder / "missing" / "list.txt"), rows); },
        ::testing::ThrowsMessage<std::runtime_error>(::testing::Not(::testing::IsEmpty())));
    EXPECT_FALSE(fs::exists(m_folder / "missing"));
}

TEST_F(WinFilesTest, ListFilesOpenByAnyNameAndOnlyRegularFilesAreRead) {
    const std::string list = write(u8"sites \u00e9t\u00e9 \u65e5\u672c.txt", "http://a\r\n");
    char bytes[16] = {};
    EXPECT_EQ(WinListFiles().open(list)->read(bytes, sizeof bytes), 10u);
    EXPECT_EQ(std::string(bytes, 10), "http://a\r\n");

    const std::pair<std::string, const char*> refused[] = {
        {Utf8Of(m_folder), "is a folder, not a list file"},
        {"NUL", "is not a regular file"},
        {Utf8Of(m_folder / "missing.txt"), "Cannot open"},
    };
    for (const auto& [path, description] : refused) {
        EXPECT_THAT([&] { WinListFiles().open(path); },
                    ::testing::ThrowsMessage<std::runtime_error>(HasSubstr(description)))
            << path;
    }
}

}  // namespace
}  // namespace orlenda::platform
