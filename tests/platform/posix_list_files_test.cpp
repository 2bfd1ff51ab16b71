#include "platform/posix/posix_list_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace orlenda::platform {
namespace {

using ::testing::HasSubstr;

TEST(ListFileText, IsUtf8OrTheCodePageAndStrayBytesAreReadAsWindows1252) {
    struct Case {
        const char* codeset;
        std::string bytes;
        std::string text;
    };
    const Case cases[] = {
        {"UTF-8", "caf\xC3\xA9/\xE2\x82\xAC\xF0\x9F\x98\x80",
         "caf\xC3\xA9/\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {"UTF-8", "caf\xE9", "caf\xC3\xA9"},
        {"UTF-8", "\x80\x99\x81", "\xE2\x82\xAC\xE2\x84\xA2\xC2\x81"},
        {"UTF-8", "a\xE2\x82", "a\xC3\xA2\xE2\x80\x9A"},            // cut off
        {"UTF-8", "\xC0\xAF", "\xC3\x80\xC2\xAF"},                  // overlong
        {"UTF-8", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},  // surrogate
        {"ANSI_X3.4-1968", "caf\xC3\xA9", "caf\xC3\xA9"},
        {"ISO-8859-15", "caf\xE9 \xA4", "caf\xC3\xA9 \xE2\x82\xAC"},
        {"KOI8-R", "\xD0\xD2\xC9\xD7\xC5\xD4", "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
        // A byte that Shift_JIS cannot read stays visible.
        {"SHIFT_JIS", "\x82\xA0\x80", "\xE3\x81\x82\xE2\x82\xAC"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PosixListFiles(c.codeset).toUtf8(c.bytes), c.text)
            << c.codeset << ": " << ::testing::PrintToString(c.bytes);
    }
}

// Paths that exist but cannot be read as a list: a clear failure, no wait.
TEST(ListFileOpening, PathsThatAreNoReadableFileFailClearly) {
    const std::string pipe = ::testing::TempDir() + "list-pipe-" + std::to_string(::getpid());
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::pair<std::string, const char*> cases[] = {
        {::testing::TempDir(), "is a folder, not a list file"},
        {pipe, "is not a regular file"},
        // Reading the memory of a process at address 0 fails at once.
        {"/proc/self/mem", "Cannot read \"/proc/self/mem\": Input/output error."},
    };
    for (const auto& [path, description] : cases) {
        try {
            char byte = 0;
            PosixListFiles().open(path)->read(&byte, 1);
            ADD_FAILURE() << path << " was read";
        } catch (const std::runtime_error& failure) {
            EXPECT_THAT(failure.what(), HasSubstr(description));
        }
    }
    ::unlink(pipe.c_str());
}

std::string Content(const std::string& path) {
    std::ostringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    return content.str();
}

// A new list holds the rows in the code page they are read in, so that they
// read back the same; characters the code page lacks are percent-encoded.
TEST(ListFileWriting, WritesEachRowOnALineInTheCodePageItIsReadIn) {
    const std::vector<std::string> rows = {"http://caf\xC3\xA9/\xE2\x82\xAC", "", "\xE6\x97\xA5"};
    const std::pair<const char*, std::string> codesets[] = {
        {"UTF-8", "http://caf\xC3\xA9/\xE2\x82\xAC\n\n\xE6\x97\xA5\n"},
        {"ISO-8859-15", "http://caf\xE9/\xA4\n\n%E6%97%A5\n"},
    };
    const std::string path = ::testing::TempDir() + "list-" + std::to_string(::getpid()) + ".txt";
    for (const auto& [codeset, bytes] : codesets) {
        PosixListFiles files(codeset);
        ASSERT_TRUE(files.createListFile(path, rows));
        EXPECT_FALSE(files.createListFile(path, {"other"}));  // taken: left as it is
        EXPECT_EQ(Content(path), bytes) << codeset;
        EXPECT_EQ(files.toUtf8(bytes.substr(0, bytes.find('\n'))), rows[0]) << codeset;
        ::unlink(path.c_str());
    }
    EXPECT_THAT([&] { PosixListFiles().createListFile(path + ".d/list.txt", rows); },
                ::testing::ThrowsMessage<std::runtime_error>("No such file or directory"));
}

// A writer that dies half-way (here: killed for growing the file past the
// size limit) leaves nothing under the list's name.
TEST(ListFileWritingDeathTest, AWriterKilledHalfWayLeavesNoHalfList) {
    std::string folder = ::testing::TempDir() + "lists-XXXXXX";
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    const std::string path = folder + "/Not saved.txt";
    const auto writeWithinEightBytes = [&] {
        const rlimit limit{8, 8};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        PosixListFiles().createListFile(path, {"http://a.example/", "http://b.example/"});
        std::_Exit(0);
    };
    EXPECT_EXIT(writeWithinEightBytes(), ::testing::KilledBySignal(SIGXFSZ), "");
    EXPECT_FALSE(std::filesystem::exists(path)) << Content(path);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace orlenda::platform
