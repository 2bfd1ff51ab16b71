#include "sitelist/sitelist_handlers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <tuple>
#include <utility>

#include "fakes/fake_form.h"
#include "sitelist/file_to_list.h"
#include "sitelist/list_import.h"

namespace orlenda {
namespace {

using namespace std::string_literals;
using Rows = std::vector<std::string>;
using ::testing::ElementsAre;
using testing::FakeForm;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr char kListPath[] = "/lists/sites.txt";
constexpr char kWikipedia[] = "http://www.wikipedia.org";
constexpr char kYahoo[] = "http://www.yahoo.com";

// Lets the file dialog pick the list file at path, holding content.
void ChooseList(FakeForm& f, const std::string& content, const std::string& path = kListPath) {
    f.files.files.push_back(path);
    f.listFiles.contents[path] = content;
    f.commonDialog.choice = path;
}

// Adding goes on during a run (busy: the hourglass shows); clearing and
// removing wait for its end.
TEST(EditingTheList, AddsAnyTimeButClearsOrRemovesOnlyWhenIdle) {
    const int idle = platform::kPointerDefault;
    const int busy = platform::kPointerHourglass;
    const auto deleteKey = [](Form1& form) { ListView1_KeyDown(form, kDeleteKeyCode); };
    const auto otherKeys = [](Form1& form) {
        for (const int key : {8, 13, 45, 47}) ListView1_KeyDown(form, key);
    };
    struct Case {
        const char* name;
        std::function<void(Form1&)> action;
        int pointer;
        std::int64_t current;
        Rows expected;
        std::string typed = "";
    };
    const Case cases[] = {
        {"add as typed", PushButton1_Click, busy, 2, {"a", "b", "c", " HTTP://x "}, " HTTP://x "},
        {"add a blank", PushButton1_Click, idle, 2, {"a", "b", "c", " "}, " "},
        {"add a duplicate", PushButton1_Click, idle, 2, {"a", "b", "c", "a"}, "a"},
        {"add nothing, or cancel", PushButton1_Click, idle, 2, {"a", "b", "c"}, ""},
        {"samples", PushButton3_Click, busy, 0, {"a", "b", "c", kWikipedia, kYahoo}},
        {"clear", PushButton7_Click, idle, 2, {}},
        {"clear when busy", PushButton7_Click, busy, 2, {"a", "b", "c"}},
        {"double-click", ListView1_DblClick, idle, 2, {"a", "c"}},
        {"double-click, first row", ListView1_DblClick, platform::kPointerCustom, 1, {"b", "c"}},
        {"double-click when busy", ListView1_DblClick, busy, 2, {"a", "b", "c"}},
        {"double-click, no current row", ListView1_DblClick, idle, 0, {"a", "b", "c"}},
        {"Delete, last row", deleteKey, idle, 3, {"a", "b"}},
        {"Delete when busy", deleteKey, busy, 3, {"a", "b", "c"}},
        {"other keys", otherKeys, idle, 2, {"a", "b", "c"}},
    };
    for (const Case& c : cases) {
        FakeForm f;
        f.list.rows = {"a", "b", "c"};
        f.list.current = c.current;
        f.me.pointer = c.pointer;
        f.dialogs.answers = {c.typed};
        c.action(f.form);
        EXPECT_EQ(f.list.rows, c.expected) << c.name;
        EXPECT_THAT(f.dialogs.messages, IsEmpty()) << c.name;
    }
}

TEST(LoadList, AppendsOneChosenFileAndOtherwiseSaysWhy) {
    struct Case {
        const char* name;
        std::optional<std::string> choice;
        bool exists;
        Rows rows;
        std::string message = "";
    };
    const Case cases[] = {
        {"cancel", std::nullopt, true, {"kept"}},
        {"one file", kListPath, true, {"kept", "http://a", "http://b"}},
        {"several files", "/lists\0a.txt\0b.txt"s, true, {"kept"}, "Please select just one file."},
        {"a folder, no file", "/lists\0"s, true, {"kept"}, "Please select just one file."},
        {"missing file", kListPath, false, {"kept"}, "File not found"},
    };
    for (const Case& c : cases) {
        FakeForm f;
        f.list.rows = {"kept"};
        ChooseList(f, "http://a\r\nhttp://b\r\n");
        if (!c.exists) f.files.files.clear();
        f.commonDialog.choice = c.choice;
        f.commonDialog.name = "left over";  // from an earlier choice
        PushButton6_Click(f.form);
        EXPECT_THAT(
            f.commonDialog.calls,
            ElementsAre("FileName=", "Flags=2621441",
                        "DialogTitle=Add File(s) - Use Ctrl & Shift to select multiple files",
                        "Filter=Text Files (*.txt)|*.txt|All Files (*.*)|*.*",
                        "InitDir=" + f.desktop.homeFolderPath, "ShowOpen"));
        EXPECT_EQ(f.list.rows, c.rows) << c.name;
        EXPECT_EQ(f.dialogs.messages.size(), c.message.empty() ? 0u : 1u) << c.name;
        for (const testing::ShownMessage& m : f.dialogs.messages) {
            EXPECT_EQ(std::tie(m.text, m.style, m.caption),
                      std::tuple(c.message, platform::kMessageOkOnly, ""s));
        }
    }
}

// Runs handler on a form set up by arrange: the one failure is reported with
// its line and description, and the handler went on.
void ExpectReported(void (*handler)(Form1&), const std::string& where,
                    const std::string& description, const Rows& rows,
                    const std::function<void(FakeForm&)>& arrange) {
    FakeForm f;
    arrange(f);
    handler(f.form);
    EXPECT_EQ(f.list.rows, rows) << description;
    ASSERT_EQ(f.dialogs.messages.size(), 1u) << description;
    EXPECT_THAT(f.dialogs.messages[0].text, AllOf(HasSubstr(where + "\r"), HasSubstr(description)));
}

// The imports run in order, so each also shows that the one before released
// its file, even after a failure.
TEST(FailingSteps, AreReportedWithTheirLineAndKeepWhatWasDone) {
    ExpectReported(PushButton1_Click, "PushButton1_Click at line 104", "append refused", {},
                   [](FakeForm& f) {
                       f.dialogs.answers = {"http://a"};
                       f.list.failingAppends = 1;
                   });
    ExpectReported(PushButton3_Click, "PushButton3_Click at line 100", "append refused", {kYahoo},
                   [](FakeForm& f) { f.list.failingAppends = 1; });
    // A failing busy test still clears.
    ExpectReported(PushButton7_Click, "PushButton7_Click at line 100", "pointer unreadable", {},
                   [](FakeForm& f) {
                       f.list.rows = {"a"};
                       f.me.failPointerRead = true;
                   });
    ExpectReported(PushButton6_Click, "PushButton6_Click at line 108", "dialog failed", {},
                   [](FakeForm& f) {
                       ChooseList(f, "a");
                       f.commonDialog.failShow = true;
                   });
    const std::string read = "PushButton6_Click at line 118";
    // Past the first bytes, which are read at once to tell the encoding.
    ExpectReported(PushButton6_Click, read, "Input/output error", {"a", "b"}, [](FakeForm& f) {
        ChooseList(f, "a\r\nb\r\n" + std::string(64, 'x') + "\r\nc\r\n");
        f.listFiles.failAfterBytes = 70;
    });
    // Another import started while the first reads fails; the first goes on.
    ExpectReported(PushButton6_Click, read, "Another list file is still being read", {"a", "b"},
                   [](FakeForm& f) {
                       ChooseList(f, "a\r\nb\r\n");
                       f.events.whileProcessing = [&f, started = false]() mutable {
                           if (std::exchange(started, true)) return;
                           ChooseList(f, "other\r\n", "/lists/other.txt");
                           PushButton6_Click(f.form);
                       };
                   });
    // Out of memory: the import stops and counts only its own rows.
    ExpectReported(PushButton6_Click, read,
                   "There is not enough memory for more rows. The import stopped after adding 2 "
                   "rows from the list file; they stay in the list.",
                   {"kept", "a", "b"}, [](FakeForm& f) {
                       f.list.rows = {"kept"};
                       f.list.capacity = 3;
                       ChooseList(f, "a\r\nb\r\nc\r\nd");
                   });
    ExpectReported(PushButton6_Click, read, "Permission denied", {}, [](FakeForm& f) {
        ChooseList(f, "a");
        f.listFiles.contents.clear();
    });
}

// The text as UTF-16, as Notepad saves "Unicode" files, with its mark unless
// the writer left it out.
std::string Utf16WithMark(std::u16string_view text, bool littleEndian, bool marked = true) {
    std::string bytes = !marked ? "" : littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (const char16_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF);
        const char high = static_cast<char>(unit >> 8);
        bytes += littleEndian ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
}

// Reads may end anywhere, so line ends straddle the refills of the buffer.
TEST(FileToList, CutsRowsAtEveryLineEndWhereverTheReadsEnd) {
    const std::vector<std::pair<std::string, Rows>> cases{
        {"", {}},
        {"a\nb\n", {"a", "b"}},
        {"a\n\nb\n\n", {"a", "", "b", ""}},
        {"\n", {""}},
        {"a\n\r\n", {"a", ""}},  // an LF inside a CR LF line keeps its row
        {"a\nb", {"a", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\nb\nc\rd\n\re\r\n", {"a", "b", "c", "d", "", "e"}},
        {"  http://a  \r\n\thttp://b \r\n \r\n", {"  http://a  ", "\thttp://b ", " "}},
        // A byte-order mark says the text is Unicode; it is no part of the first row.
        {"\xEF\xBB\xBFhttp://a\r\nb", {"http://a", "b"}},
        {"\xEF\xBB\xBF"
         "caf\xE9\n",
         {"caf\xC3\xA9"}},  // a stray byte as Windows-1252
        {Utf16WithMark(u"http://a\r\nb\u00e9\r\n\U0001F600", true),
         {"http://a", "b\xC3\xA9", "\xF0\x9F\x98\x80"}},
        {Utf16WithMark(u"a\nb\r\n", false), {"a", "b"}},
        // A pair past the first bytes, which are read before any decoding.
        {Utf16WithMark(u"http://long.test/0123456789012345678901234567890\U0001F600", true),
         {"http://long.test/0123456789012345678901234567890\xF0\x9F\x98\x80"}},
        {Utf16WithMark(u"a\xD800", true), {"a\xEF\xBF\xBD"}},  // half a pair
        {"\xFF\xFE"
         "a",
         {"\xEF\xBF\xBD"}},  // half a unit
        {"a\0b\r\n\0\r\n"s, {"a\0b"s, "\0"s}},
        // Without a mark, the NULs of ASCII text in UTF-16 tell it.
        {Utf16WithMark(u"http://a\r\nb\u00e9\r\n", true, false), {"http://a", "b\xC3\xA9"}},
        {Utf16WithMark(u"ab\r\n", false, false), {"ab"}},
    };
    for (const std::size_t bytesPerRead : {1, 2, 3, 64 * 1024}) {
        for (const auto& [content, rows] : cases) {
            FakeForm f;
            ChooseList(f, content);
            f.listFiles.bytesPerRead = bytesPerRead;
            FileToList(f.form, kListPath);
            EXPECT_EQ(f.list.rows, rows)
                << ::testing::PrintToString(content) << ", " << bytesPerRead << " bytes a read";
        }
    }
}

// The longest row is kept; a line one byte longer is left out, the rows after
// it still come, and the list's own message names it.
TEST(FileToList, LeavesOutLinesTooLongForAnAddressAndReadsOn) {
    const std::string longest(kLongestRowBytes, 'x');
    const std::string tooLong = longest + "x";
    const std::string lines = " of the list file ";
    const std::string why = " longer than 2097152 bytes, more than any web address can be, so ";
    const std::tuple<std::string, Rows, std::string> cases[] = {
        {"a\nb\r\n" + longest + "\r\n" + tooLong + "\r\nc",
         {"a", "b", longest, "c"},
         "Line 4" + lines + "is" + why + "it was left out. The rest of the file was added."},
        {tooLong + "\n" + tooLong + "\rd\n" + tooLong,
         {"d"},
         "Lines 1, 2 and 4" + lines + "are" + why +
             "they were left out. The rest of the file "
             "was added."},
    };
    for (const auto& [content, rows, message] : cases) {
        FakeForm f;
        ChooseList(f, content);
        f.listFiles.bytesPerRead = 64 * 1024;
        PushButton6_Click(f.form);
        EXPECT_EQ(f.list.rows, rows);
        ASSERT_EQ(f.dialogs.messages.size(), 1u);
        EXPECT_EQ(f.dialogs.messages[0].text, message);
    }
}

// Events run before every line and every piece cut at an LF, so a handler
// started meanwhile sees the rows before it; with an interval, only at the
// first line and then once it has passed.
TEST(FileToList, LetsEventsRunBeforeLinesAndPiecesOncePerInterval) {
    const std::vector<std::pair<std::chrono::nanoseconds, std::vector<std::size_t>>> cases{
        {std::chrono::nanoseconds::zero(), {0, 0, 2, 3, 3}},
        {std::chrono::hours(1), {0}},
    };
    for (const auto& [interval, rowsAtEvents] : cases) {
        FakeForm f;
        ChooseList(f, "a\nb\r\nc\r\n\nd");
        std::vector<std::size_t> seen;
        f.events.whileProcessing = [&] { seen.push_back(f.list.rows.size()); };
        FileToList(f.form, kListPath, interval);
        EXPECT_THAT(f.list.rows, ElementsAre("a", "b", "c", "", "d"));
        EXPECT_EQ(seen, rowsAtEvents) << interval.count();
    }
}

}  // namespace
}  // namespace orlenda
