#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fakes/fake_form.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_list_files.h"
#include "sitelist/file_to_list.h"

namespace orlenda {
namespace {

using namespace std::string_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// Fakes for the window, the real file system and list files for the rest.
struct RealFilesForm {
    explicit RealFilesForm(const std::string& codeset = "UTF-8") : listFiles(codeset) {}

    testing::FakeForm fakes;
    platform::PosixFileSystem files;
    platform::PosixListFiles listFiles;
    Form1 form{.Me = fakes.me,
               .ListView1 = fakes.list,
               .ProgressBar1 = fakes.progress,
               .Text1 = fakes.folder,
               .dialogs = fakes.dialogs,
               .events = fakes.events,
               .files = files,
               .CommonDialog1 = fakes.commonDialog,
               .listFiles = listFiles,
               .processes = fakes.processes,
               .sleeper = fakes.sleeper,
               .settings = fakes.settings,
               .folderBrowser = fakes.folderBrowser,
               .SkinFramework1 = fakes.skin,
               .desktop = fakes.desktop,
               .clock = fakes.clock};
};

class ListFileReading : public ::testing::Test {
protected:
    std::string write(const std::string& content) {
        const std::string path =
            (m_folder / ("list" + std::to_string(++m_count) + ".txt")).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    std::vector<std::string> import(const std::string& content) {
        RealFilesForm f;
        FileToList(f.form, write(content));
        EXPECT_THAT(f.fakes.dialogs.messages, IsEmpty());
        return f.fakes.list.rows;
    }

    std::filesystem::path m_folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "orlenda-lists-XXXXXX").string();
        return std::filesystem::path(::mkdtemp(pattern.data()));
    }();
    int m_count = 0;

    ~ListFileReading() override { std::filesystem::remove_all(m_folder); }
};

struct LineCase {
    const char* name;
    std::string content;
    std::vector<std::string> rows;
};

TEST_F(ListFileReading, LineEndsAndPieces) {
    const std::vector<LineCase> cases{
        {"empty file", "", {}},
        {"CR LF ends", "a\r\nb\r\n", {"a", "b"}},
        {"LF ends", "a\nb\n", {"a", "b", ""}},
        {"blank line", "a\r\n\r\nb", {"a", "", "b"}},
        {"lone CR", "a\rb", {"a", "b"}},
        {"CR at the end", "a\r", {"a"}},
        {"only CR LF", "\r\n", {""}},
        {"only LF", "\n", {"", ""}},
        {"two CRs", "\r\r", {"", ""}},
        {"LF then CR", "a\n\rb", {"a", "", "b"}},
        {"mixed", "a\r\nb\nc\rd\n\re\r\n", {"a", "b", "c", "d", "", "e"}},
        {"blanks kept",
         "  http://a  \r\n\thttp://b \r\n \r\n",
         {"  http://a  ", "\thttp://b ", " "}},
        {"byte-order mark", "\xEF\xBB\xBFhttp://a\r\nb", {"\xEF\xBB\xBFhttp://a", "b"}},
        {"NUL bytes", "a\0b\r\n\0\r\n"s, {"a\0b"s, "\0"s}},
    };
    for (const LineCase& c : cases) EXPECT_EQ(import(c.content), c.rows) << c.name;
}

TEST_F(ListFileReading, TheSameFileTwiceGivesEveryRowTwice) {
    RealFilesForm f;
    const std::string path = write("a\r\nb\nc");
    FileToList(f.form, path);
    FileToList(f.form, path);
    EXPECT_THAT(f.fakes.list.rows, ElementsAre("a", "b", "c", "a", "b", "c"));
}

// The reader fills a buffer of 64 KiB: line ends that straddle its edge.
TEST_F(ListFileReading, LineEndAcrossTheReadBufferIsOneLineEnd) {
    const std::string first(64 * 1024 - 1, 'x');
    EXPECT_EQ(import(first + "\r\nb"), (std::vector<std::string>{first, "b"}));
    EXPECT_EQ(import(first + "\rb"), (std::vector<std::string>{first, "b"}));
    const std::string longer(200 * 1024, 'y');
    EXPECT_EQ(import("a\n" + longer + "\r\n"), (std::vector<std::string>{"a", longer}));
}

TEST_F(ListFileReading, TextIsUtf8AndStrayBytesAreReadAsWindows1252) {
    const std::vector<LineCase> cases{
        {"valid UTF-8",
         "http://caf\xC3\xA9.example/\xE2\x82\xAC\xF0\x9F\x98\x80",
         {"http://caf\xC3\xA9.example/\xE2\x82\xAC\xF0\x9F\x98\x80"}},
        {"Latin-1 byte", "caf\xE9\r\n", {"caf\xC3\xA9"}},
        {"Windows-1252 byte", "\x80\x99\x81", {"\xE2\x82\xAC\xE2\x84\xA2\xC2\x81"}},
        {"cut-off sequence", "a\xE2\x82", {"a\xC3\xA2\xE2\x80\x9A"}},
        {"overlong form", "\xC0\xAF", {"\xC3\x80\xC2\xAF"}},
        {"surrogate", "\xED\xA0\x80", {"\xC3\xAD\xC2\xA0\xE2\x82\xAC"}},
    };
    for (const LineCase& c : cases) EXPECT_EQ(import(c.content), c.rows) << c.name;
}

TEST_F(ListFileReading, OtherCodePagesAreConvertedToUtf8) {
    struct CodePageCase {
        const char* codeset;
        std::string content;
        std::string row;
    };
    const std::vector<CodePageCase> cases{
        {"ISO-8859-15", "caf\xE9 \xA4", "caf\xC3\xA9 \xE2\x82\xAC"},
        {"KOI8-R", "\xD0\xD2\xC9\xD7\xC5\xD4", "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
        // A byte that Shift_JIS cannot read stays visible.
        {"SHIFT_JIS", "\x82\xA0\x80", "\xE3\x81\x82\xE2\x82\xAC"},
        {"ANSI_X3.4-1968", "caf\xC3\xA9", "caf\xC3\xA9"},
    };
    for (const CodePageCase& c : cases) {
        RealFilesForm f(c.codeset);
        FileToList(f.form, write(c.content + "\r\n"));
        EXPECT_THAT(f.fakes.list.rows, ElementsAre(c.row)) << c.codeset;
    }
}

// Paths that exist but cannot be read as a list: a clear failure, no wait.
TEST_F(ListFileReading, PathsThatAreNoReadableFileFailClearly) {
    const std::string pipe = (m_folder / "pipe").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    struct Case {
        std::string path;
        const char* description;
    };
    const std::vector<Case> cases{
        {m_folder.string(), "is a folder, not a list file"},
        {pipe, "is not a regular file"},
        // Reading the memory of a process at address 0 fails at once.
        {"/proc/self/mem", "Cannot read \"/proc/self/mem\": Input/output error."},
    };
    for (const Case& c : cases) {
        RealFilesForm f;
        try {
            FileToList(f.form, c.path);
            ADD_FAILURE() << c.path << " was read";
        } catch (const std::exception& failure) {
            EXPECT_THAT(failure.what(), HasSubstr(c.description));
        }
        EXPECT_THAT(f.fakes.list.rows, IsEmpty());
        EXPECT_THAT(f.fakes.dialogs.messages, IsEmpty());
    }
}

}  // namespace
}  // namespace orlenda
