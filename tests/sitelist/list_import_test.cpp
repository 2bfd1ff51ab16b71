#include "sitelist/list_import.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "fakes/fake_form.h"
#include "sitelist/file_to_list.h"

namespace orlenda {
namespace {

using ::testing::ElementsAre;
using testing::FakeForm;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr char kListPath[] = "/lists/sites.txt";
constexpr char kOtherListPath[] = "/lists/other.txt";

// A form whose dialog picks the given list file holding content.
struct ImportForm : FakeForm {
    explicit ImportForm(const std::string& content) {
        files.files.push_back(kListPath);
        listFiles.contents[kListPath] = content;
        commonDialog.choice = kListPath;
    }
};

TEST(SplitAtNul, CutsAtEveryNulAndGivesNoPieceForEmptyText) {
    using namespace std::string_literals;
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases{
        {"", {}},
        {"/home/a.txt", {"/home/a.txt"}},
        {"/home\0a.txt\0b.txt"s, {"/home", "a.txt", "b.txt"}},
        {"a\0"s, {"a", ""}},
        {"\0"s, {"", ""}},
    };
    for (const auto& [text, pieces] : cases) EXPECT_EQ(SplitAtNul(text), pieces) << text;
}

TEST(PushButton6Click, PreparesTheDialogStepByStepThenShowsIt) {
    ImportForm f("");
    f.commonDialog.name = "left over";
    f.commonDialog.choice.reset();
    PushButton6_Click(f.form);
    EXPECT_THAT(f.commonDialog.calls,
                ElementsAre("FileName=", "Flags=2621441",
                            "DialogTitle=Add File(s) - Use Ctrl & Shift to select multiple files",
                            "Filter=Text Files (*.txt)|*.txt|All Files (*.*)|*.*", "ShowOpen"));
}

TEST(PushButton6Click, AppendsTheFileAfterTheRowsAlreadyThere) {
    ImportForm f("http://a\r\nhttp://b\r\n");
    f.list.rows = {"http://first"};
    PushButton6_Click(f.form);
    PushButton6_Click(f.form);
    EXPECT_THAT(f.list.rows,
                ElementsAre("http://first", "http://a", "http://b", "http://a", "http://b"));
    EXPECT_THAT(f.dialogs.messages, IsEmpty());
    EXPECT_EQ(f.listFiles.openCount, 0);
}

TEST(PushButton6Click, SeveralFilesAreRefused) {
    using namespace std::string_literals;
    ImportForm f("a\r\n");
    f.commonDialog.choice = "/lists\0sites.txt\0other.txt"s;
    PushButton6_Click(f.form);
    EXPECT_THAT(f.list.rows, IsEmpty());
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0].text, "Please select just one file.");
    EXPECT_EQ(f.dialogs.messages[0].style, platform::kMessageOkOnly);
    EXPECT_EQ(f.dialogs.messages[0].caption, "");
}

TEST(PushButton6Click, MissingFileSaysFileNotFound) {
    ImportForm f("a\r\n");
    f.files.files.clear();
    f.list.rows = {"kept"};
    PushButton6_Click(f.form);
    EXPECT_THAT(f.list.rows, ElementsAre("kept"));
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0].text, "File not found");
    EXPECT_EQ(f.dialogs.messages[0].style, platform::kMessageOkOnly);
    EXPECT_EQ(f.dialogs.messages[0].caption, "");
    EXPECT_EQ(f.listFiles.openCount, 0);
}

TEST(PushButton6Click, FailingDialogIsReportedAndEndsTheHandler) {
    ImportForm f("a\r\n");
    f.commonDialog.failShow = true;
    PushButton6_Click(f.form);
    EXPECT_THAT(f.list.rows, IsEmpty());
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_THAT(f.dialogs.messages[0].text, HasSubstr("PushButton6_Click at line 108"));
}

// Every way a file can fail is reported as step 118, and what was read stays.
TEST(PushButton6Click, ReadFailuresAreReportedAsStep118AndKeepTheRowsRead) {
    struct Case {
        const char* name;
        std::string content;
        std::optional<std::size_t> failAfterBytes;
        bool openable;
        std::vector<std::string> rows;
        const char* description;
    };
    const std::string longRow(kLongestRowBytes + 1, 'x');
    const std::vector<Case> cases{
        {"cannot be opened", "a\r\n", std::nullopt, false, {}, "Permission denied"},
        {"fails part-way", "a\r\nb\r\nc\r\nd\r\n", 6, true, {"a", "b"}, "Input/output error"},
        {"row too long",
         "a\nb\r\n" + longRow + "\r\nc",
         std::nullopt,
         true,
         {"a", "b"},
         "Line 3 of the file is longer than 2097152 bytes"},
    };
    for (const Case& c : cases) {
        ImportForm f(c.content);
        f.listFiles.failAfterBytes = c.failAfterBytes;
        if (!c.openable) f.listFiles.contents.clear();
        PushButton6_Click(f.form);
        EXPECT_EQ(f.list.rows, c.rows) << c.name;
        ASSERT_EQ(f.dialogs.messages.size(), 1u) << c.name;
        EXPECT_THAT(f.dialogs.messages[0].text, HasSubstr(c.description)) << c.name;
        EXPECT_THAT(f.dialogs.messages[0].text, HasSubstr("PushButton6_Click at line 118"))
            << c.name;
        EXPECT_EQ(f.dialogs.messages[0].caption, "Application Error") << c.name;
        EXPECT_EQ(f.listFiles.openCount, 0) << c.name << ": the file is left open";
    }
}

TEST(FileToList, RowOfTheLongestLengthIsKept) {
    ImportForm f(std::string(kLongestRowBytes, 'x') + "\r\nb");
    f.listFiles.bytesPerRead = 64 * 1024;
    FileToList(f.form, kListPath);
    ASSERT_EQ(f.list.rows.size(), 2u);
    EXPECT_EQ(f.list.rows[0].size(), kLongestRowBytes);
}

TEST(FileToList, SecondImportWhileOneIsReadingFailsAndTheFirstGoesOn) {
    ImportForm f("a\r\nb\r\nc\r\n");
    f.files.files.push_back(kOtherListPath);
    f.listFiles.contents[kOtherListPath] = "other\r\n";
    bool secondStarted = false;
    f.events.whileProcessing = [&] {
        if (secondStarted || f.list.rows.empty()) return;
        secondStarted = true;
        f.commonDialog.choice = kOtherListPath;
        PushButton6_Click(f.form);
    };
    FileToList(f.form, kListPath, std::chrono::nanoseconds::zero());
    EXPECT_THAT(f.list.rows, ElementsAre("a", "b", "c"));
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_THAT(f.dialogs.messages[0].text, HasSubstr("Another list file is still being read"));
    EXPECT_THAT(f.dialogs.messages[0].text, HasSubstr("PushButton6_Click at line 118"));

    // Once the first has finished, the next import reads its file.
    f.events.whileProcessing = nullptr;
    PushButton6_Click(f.form);
    EXPECT_THAT(f.list.rows, ElementsAre("a", "b", "c", "other"));
}

// Events run before every line and before every piece cut at an LF, so a
// handler started meanwhile sees the rows of the text before it.
TEST(FileToList, LetsEventsRunBeforeEveryLineAndEveryPiece) {
    ImportForm f("a\nb\r\nc\r\n\nd");
    std::vector<std::size_t> rowsAtEvents;
    f.events.whileProcessing = [&] { rowsAtEvents.push_back(f.list.rows.size()); };
    FileToList(f.form, kListPath, std::chrono::nanoseconds::zero());
    EXPECT_THAT(f.list.rows, ElementsAre("a", "b", "c", "", "d"));
    EXPECT_THAT(rowsAtEvents, ElementsAre(0, 0, 2, 3, 3));
}

TEST(FileToList, PacedEventsRunAtTheFirstLineAndThenOncePerInterval) {
    ImportForm f("a\nb\r\nc\r\nd");
    FileToList(f.form, kListPath, std::chrono::hours(1));
    EXPECT_EQ(f.list.rows.size(), 4u);
    EXPECT_EQ(f.events.count, 1);
}

}  // namespace
}  // namespace orlenda
