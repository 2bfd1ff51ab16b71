#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>

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
