#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <tuple>

#include "convert/command_line.h"
#include "convert/convert_handlers.h"
#include "convert/run_report.h"
#include "fakes/fake_form.h"
#include "sitelist/file_to_list.h"
#include "sitelist/sitelist_handlers.h"
#include "support/platform_path.h"

namespace orlenda {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::PlatformPath;

// The list of rows not saved, and the closing words that name it.
std::string ListInFolder(const std::string& folder, const std::string& suffix = "") {
    return PlatformPath(folder + "/Not saved 2026-12-07 14.05.31" + suffix + ".txt");
}
std::string TryAgain(const std::string& folder) {
    return "To try again, load \"" + ListInFolder(folder) +
           "\" with \"Load List Of Sites From Text File\".";
}
const std::string kRetryList = ListInFolder("/shots");
const std::string kTryAgain = TryAgain("/shots");

// The rows in the list and an existing folder in the folder box.
void Fill(testing::FakeForm& fake, std::vector<std::string> rows) {
    fake.list.rows = std::move(rows);
    fake.files.folders = {PlatformPath("/shots/"), PlatformPath("/home/u")};
    fake.folder.value = PlatformPath("/shots/");
}

// The tool in the fakes' program folder; the output path written in POSIX form.
std::string CommandFor(const std::string& url, const std::string& out) {
    return "\"" + PlatformPath("/opt/orlenda/") + kCaptureToolName + "\" --url=" + url +
           " --out=\"" + PlatformPath(out) + "\"";
}

// What a fake tool leaves at its output path.
enum class Leaves { Image, Nothing, EmptyFile };

// Has every fake tool started leave the next of the files at its output path
// (an image once they are used up), as the real tool replaces it.
void ToolsLeave(testing::FakeForm& fake, std::deque<Leaves> files) {
    fake.processes.onStart = [&fake, files = std::move(files),
                              written = std::uint64_t{0}](const std::string& commandLine) mutable {
        const std::size_t out = commandLine.find(" --out=\"") + 8;
        const std::string path = commandLine.substr(out, commandLine.size() - out - 1);
        const Leaves leaves = files.empty() ? Leaves::Image : files.front();
        if (!files.empty()) files.pop_front();
        ++written;
        if (leaves == Leaves::Nothing) return;
        fake.files.stamps[path] = {.size = leaves == Leaves::Image ? 5000u : 0u,
                                   .modified = static_cast<std::int64_t>(written),
                                   .volume = 1,
                                   .fileIndex = 1000 + written};
    };
}

// The rows of the list file at path, read as "Load List Of Sites From Text File" reads it.
std::vector<std::string> RowsLoadedFrom(testing::FakeForm& fake, const std::string& path) {
    testing::FakeForm reader;
    reader.files.files = {path};
    reader.listFiles.contents = fake.listFiles.contents;
    FileToList(reader.form, path);
    return reader.list.rows;
}

TEST(Run, CapturesEveryRowOfItsStartInOrderWhileOnlyAddingWorks) {
    testing::FakeForm fake;
    Fill(fake, {"http://a/b", "http://c.d/e?f=1", "x\\y:z"});
    // The second capture fails; the third runs past the fiftieth poll.
    fake.processes.script = {{}, {.queriesFail = true}, {50, 0}};
    ToolsLeave(fake, {});
    std::vector<std::pair<bool, bool>> busyAndRunning;
    fake.sleeper.onSleep = [&] {
        busyAndRunning.emplace_back(fake.form.isBusy(), fake.form.IsRunning);
        if (busyAndRunning.size() > 1) return;
        PushButton2_Click(fake.form);
        PushButton7_Click(fake.form);
        PushButton3_Click(fake.form);
        PushButton3_Click(fake.form);
        fake.folder.value = PlatformPath("/other");
    };
    PushButton2_Click(fake.form);

    // Starting again and clearing were refused; a new folder applies from the
    // next row on; the added rows wait; a failure ends only its own row.
    EXPECT_THAT(fake.processes.started,
                ElementsAre(CommandFor("http://a/b", "/shots/a_b.jpg"),
                            CommandFor("http://c.d/e?f=1", "/other/c.d_e f=1.jpg"),
                            CommandFor("x\\y:z", "/other/x y z.jpg")));
    EXPECT_EQ(fake.processes.lastWindowMode, platform::kWindowHidden);
    EXPECT_EQ(fake.list.rows.size(), 7u);
    EXPECT_THAT(busyAndRunning, ::testing::Each(std::pair{true, true}));
    // The bar measures against the rows of the moment; a long wait counts and
    // creeps on from the bar's value rounded (42.86 -> 43).
    EXPECT_THAT(fake.progress.values,
                ElementsAre(1.0 / 3 * 100, 2.0 / 7 * 100, 3.0 / 7 * 100, 43, 0));
    EXPECT_THAT(fake.progress.texts,
                ElementsAre("Processing: http://a/b", "Processing: http://a/b",
                            "Processing: http://c.d/e?f=1", "Processing: y:z",
                            "Processing: y:z, Please wait.. 0", "Processing: y:z, Please wait.. 1",
                            "Processing: y:z", "Progress Bar"));
    ASSERT_EQ(fake.dialogs.messages.size(), 2u);
    EXPECT_EQ(fake.dialogs.messages[0].caption, "Application Error");
    EXPECT_THAT(fake.dialogs.messages[0].text,
                ::testing::HasSubstr("in Orlenda2021/08/31.Form1.PushButton2_Click at line 146"));
    // The list of rows not saved goes to the folder of the moment: none
    // there, so to the home folder.
    EXPECT_EQ(fake.dialogs.messages[1].text,
              "Done.\n\n1 of 3 web sites was not saved:\nRow 2: http://c.d/e?f=1 \u2014 an error "
              "stopped its capture (reported at the time)\n\nThe output folder could not take the "
              "list of them (there is no such folder), so it went to your home folder. " +
                  TryAgain("/home/u"));
    EXPECT_EQ(fake.me.pointer, platform::kPointerDefault);
    EXPECT_FALSE(fake.form.IsRunning);
}

// A list still being read would be run in part.
TEST(Run, RefusesToStartWithoutRowsOrWithoutFolderOrDuringAnImport) {
    const std::string noFolder = "Folder does not exist. Please select another folder.";
    const std::tuple<std::vector<std::string>, std::string, bool, std::string> refusals[] = {
        {{}, "/shots/", false, "No files added."},
        {{"a"}, "/shots/list.txt", false, noFolder},
        {{"a"}, "/missing/", false, noFolder},
        {{"a"}, "/shots/", true, kListStillLoadingMessage},
    };
    for (const auto& [rows, folder, importing, message] : refusals) {
        testing::FakeForm fake;
        Fill(fake, rows);
        fake.files.files = {"/shots/list.txt"};
        fake.folder.value = folder;
        fake.form.IsImportingList = importing;
        PushButton2_Click(fake.form);
        ASSERT_EQ(fake.dialogs.messages.size(), 1u) << message;
        EXPECT_EQ(fake.dialogs.messages[0].text, message);
        EXPECT_EQ(fake.dialogs.messages[0].style, platform::kMessageOkOnly);
        EXPECT_THAT(fake.processes.started, IsEmpty());
        EXPECT_FALSE(fake.form.IsRunning);
        EXPECT_EQ(fake.me.pointer, platform::kPointerDefault);
    }
}

TEST(Run, PassesEveryRowOfALongListAndSaysOnceThatTheToolCannotStart) {
    // Beyond what 16-bit row numbers can count.
    std::vector<std::string> rows;
    for (int row = 1; row <= 32768; ++row) rows.push_back("s/" + std::to_string(row));
    testing::FakeForm fake;
    Fill(fake, rows);
    fake.processes.startError = 2;
    PushButton2_Click(fake.form);

    ASSERT_EQ(fake.processes.started.size(), 32768u);
    EXPECT_EQ(fake.processes.started.back(), CommandFor("s/32768", "/shots/s_32768.jpg"));
    EXPECT_THAT(fake.sleeper.pauses, IsEmpty());
    ASSERT_EQ(fake.dialogs.messages.size(), 1u);
    EXPECT_EQ(fake.dialogs.messages[0].text,
              "Done.\n\n32768 of 32768 web sites were not saved because the capture tool could "
              "not be started: No such file or directory (" +
                  PlatformPath("/opt/orlenda/") + kCaptureToolName + ").\n\n" + kTryAgain);
    EXPECT_EQ(fake.dialogs.messages[0].style, platform::kMessageExclamation);
    EXPECT_EQ(RowsLoadedFrom(fake, kRetryList), rows);
}

// Each way a capture can fail, as the tool reports it, and the reason shown.
struct Failure {
    std::string address;
    std::uint32_t exitCode;
    std::string errorOutput;
    Leaves leaves;
    std::string reason;
    platform::ProcessEnding ending = platform::ProcessEnding::Exited;
    std::string cause = {};
};

const std::vector<Failure> kEveryWayToFail = {
    // The tool's own reason is the whole reason, from a tail of what it wrote.
    {"http://refused/", 4,
     std::string(9000, 'z') +
         "\niecapt: error: the server refused the connection (net::ERR_CONNECTION_REFUSED)\n",
     Leaves::Nothing, "the server refused the connection (net::ERR_CONNECTION_REFUSED)"},
    {"http://slow/", 5, "iecapt: error: timed out after 60 s while loading the page",
     Leaves::Nothing, "timed out after 60 s while loading the page"},
    {"", 2, "", Leaves::Nothing, "the address is not a web page address"},
    {"http://nobrowser/", 3, "", Leaves::Nothing,
     "the web browser could not be started or stopped working"},
    // What a crashed tool left is no picture to count on.
    {"http://crashed/", 0xC0000005, "", Leaves::Image,
     "the capture tool crashed (access violation)", platform::ProcessEnding::Crashed,
     "access violation"},
    {"http://odd/", 1, "terminate called\n", Leaves::Nothing,
     "the capture tool failed unexpectedly (terminate called)"},
    {"http://undocumented/", 77, "iecapt: error: what", Leaves::Nothing,
     "the capture tool ended with code 77 (what)"},
    {"http://silent/", 0, "", Leaves::Nothing, "the capture tool ended without writing the image"},
    {"http://empty/", 0, "", Leaves::EmptyFile, "the capture tool wrote an empty image"},
    {"http://long.example/" + std::string(200, 'p'), 4, "", Leaves::Nothing,
     "the page could not be loaded"},
    {"http://last/", 5, "", Leaves::Nothing, "the capture took too long (timed out)"},
};

// A saved row first, then the first of the failures: the message lists ten at
// the most, each with its row, address (shortened when long) and reason.
TEST(Run, EndsSayingWhichRowsWereNotSavedAndWhy) {
    const std::pair<std::size_t, std::string> runs[] = {
        {0, "Done."},
        {1, "Done.\n\n1 of 2 web sites was not saved:"},
        {10, "Done.\n\n10 of 11 web sites were not saved:"},
        {11, "Done.\n\n11 of 12 web sites were not saved:"},
    };
    for (const auto& [failing, expected] : runs) {
        testing::FakeForm fake;
        Fill(fake, {"http://fine/"});
        fake.processes.script = {{}};
        std::deque<Leaves> leaves{Leaves::Image};
        std::string message = expected;
        for (std::size_t i = 0; i < failing; ++i) {
            const Failure& failure = kEveryWayToFail[i];
            fake.list.rows.push_back(failure.address);
            fake.processes.script.push_back({.exitCode = failure.exitCode,
                                             .errorOutput = failure.errorOutput,
                                             .ending = failure.ending,
                                             .cause = failure.cause});
            leaves.push_back(failure.leaves);
            const std::string address = failure.address.empty()
                                            ? "(no address)"
                                            : ShortenedText(failure.address, kShownAddressBytes);
            if (i < 10) {
                message +=
                    "\nRow " + std::to_string(i + 2) + ": " + address + " \u2014 " + failure.reason;
            }
        }
        if (failing > 10) message += "\nand 1 more";
        if (failing > 0) message += "\n\n" + kTryAgain;
        ToolsLeave(fake, leaves);
        PushButton2_Click(fake.form);

        ASSERT_EQ(fake.dialogs.messages.size(), 1u);
        EXPECT_EQ(fake.dialogs.messages[0].text, message) << failing << " failing";
        EXPECT_EQ(fake.dialogs.messages[0].style,
                  failing ? platform::kMessageExclamation : platform::kMessageOkOnly);
        EXPECT_EQ(fake.listFiles.contents.count(kRetryList), failing ? 1u : 0u);
    }
}

// Only a whole run of host names not found points at the network rather than
// at the sites; the message says so once.
TEST(RunReport, SaysTheComputerSeemsOfflineWhenNoHostNameOfTheRunWasFound) {
    const auto failed = [](const std::string& reason) {
        return RowOutcome{.row = 1, .address = "http://a.test/", .outcome = {.reason = reason}};
    };
    const RowOutcome unknown =
        failed("the host name could not be found (net::ERR_NAME_NOT_RESOLVED)");
    const RowOutcome offline =
        failed("there is no network connection (net::ERR_INTERNET_DISCONNECTED)");
    const RowOutcome refused =
        failed("the server refused the connection (net::ERR_CONNECTION_REFUSED)");
    const std::tuple<std::int64_t, std::vector<RowOutcome>, bool> runs[] = {
        {2, {unknown, unknown}, true},
        {3, {unknown, offline, unknown}, true},
        {3, {unknown, unknown}, false},  // one site saved
        {2, {unknown, refused}, false},
        {1, {unknown}, false},  // one row alone is more often mistyped
    };
    for (const auto& [rowsInRun, unsaved, seemsOffline] : runs) {
        const std::string message = ClosingMessage(rowsInRun, unsaved, {}, {});
        const std::size_t note = message.find("seems to be offline");
        EXPECT_EQ(note != std::string::npos, seemsOffline) << message;
        EXPECT_EQ(message.find("seems to be offline", note + 1), std::string::npos);
    }
}

// The reason the tool could not start is said once only when every row has
// the same; rows that failed to start for different reasons keep their own.
TEST(RunReport, SaysOnceWhyTheToolCouldNotStartOnlyWhenEveryRowHasThatReason) {
    const auto notStarted = [](std::int64_t row, const std::string& reason) {
        return RowOutcome{.row = row,
                          .address = "http://a.test/",
                          .outcome = {.reason = reason, .toolNotStarted = true}};
    };
    const std::string missing = "the capture tool could not be started: No such file (/x)";
    const std::string denied = "the capture tool could not be started: Permission denied (/x)";
    const std::pair<std::vector<RowOutcome>, std::string> runs[] = {
        {{notStarted(1, missing), notStarted(2, missing)},
         "2 of 2 web sites were not saved because " + missing + "."},
        {{notStarted(1, missing), notStarted(2, denied)},
         "2 of 2 web sites were not saved:\nRow 1: http://a.test/ \u2014 " + missing +
             "\nRow 2: http://a.test/ \u2014 " + denied + "\n"},
    };
    for (const auto& [unsaved, said] : runs) {
        EXPECT_THAT(ClosingMessage(2, unsaved, {}, {}), ::testing::HasSubstr(said));
    }
}

// The list names the rows not saved in their order, exactly as they stood,
// and none added during the run; it never replaces a file. An image left by
// an earlier run does not count as saved; one replaced does.
TEST(Run, ListsTheRowsNotSavedInANewFileThatLoadsThemAgain) {
    testing::FakeForm fake;
    Fill(fake, {" http://a/ ", "http://b/", "", "http://\u00e9/"});
    const platform::FileStamp earlier{.size = 800, .modified = 1, .volume = 1, .fileIndex = 9};
    fake.files.stamps = {{PlatformPath("/shots/ a_ .jpg"), earlier},
                         {PlatformPath("/shots/b_.jpg"), earlier}};
    fake.listFiles.contents = {{kRetryList, "older"}, {ListInFolder("/shots", " (2)"), "old"}};
    fake.processes.script = {{}, {}, {.exitCode = 2}, {.exitCode = 4}};
    ToolsLeave(fake, {Leaves::Nothing, Leaves::Image, Leaves::Nothing, Leaves::Nothing});
    fake.sleeper.onSleep = [&] { PushButton3_Click(fake.form); };
    PushButton2_Click(fake.form);

    const std::string path = ListInFolder("/shots", " (3)");
    EXPECT_EQ(fake.listFiles.contents[kRetryList], "older");
    EXPECT_EQ(RowsLoadedFrom(fake, path),
              (std::vector<std::string>{" http://a/ ", "", "http://\u00e9/"}));
    EXPECT_THAT(fake.dialogs.messages.at(0).text,
                ::testing::StartsWith("Done.\n\n3 of 4 web sites were not saved:\nRow 1:  "
                                      "http://a/  \u2014 no new image was written (the file "
                                      "there is from before)\nRow 3: (no address)"));
    EXPECT_THAT(fake.dialogs.messages.at(0).text, ::testing::HasSubstr(path));
}

TEST(Run, PutsTheListInTheHomeFolderWhenTheOutputFolderRefusesIt) {
    const std::string header =
        "Done.\n\n1 of 1 web site was not saved:\nRow 1: http://a/ \u2014 the page could not be "
        "loaded\n\n";
    const std::tuple<std::vector<std::string>, std::string> refusals[] = {
        {{PlatformPath("/shots/")},
         "The output folder could not take the list of them (Permission denied), so it went to "
         "your home folder. " +
             TryAgain("/home/u")},
        {{PlatformPath("/shots/"), PlatformPath("/home/u")},
         "The list of them could not be written, neither in the output folder (Permission "
         "denied) nor in your home folder (Permission denied)."},
    };
    for (const auto& [refusedFolders, where] : refusals) {
        testing::FakeForm fake;
        Fill(fake, {"http://a/"});
        fake.processes.script = {{.exitCode = 4}};
        fake.listFiles.refusedFolders = refusedFolders;
        PushButton2_Click(fake.form);
        EXPECT_EQ(fake.dialogs.messages.at(0).text, header + where);
    }
}

// Closed during the third row: the list holds the row that failed, the one
// under way and the one not reached, as the run's end would have named them.
// Once the run has ended, a close leaves nothing.
TEST(Run, AClosedWindowLeavesTheListOfTheRowsNotKnownToBeSaved) {
    testing::FakeForm fake;
    Fill(fake, {"http://a/1", "http://a/2", "http://a/3", "http://a/4"});
    fake.processes.script = {{.exitCode = 4}, {}, {.runningQueries = 5}};
    ToolsLeave(fake, {Leaves::Nothing});
    fake.sleeper.onSleep = [&] {
        if (fake.processes.started.size() != 3 || fake.listFiles.contents.count(kRetryList)) return;
        LeaveRetryListOfStoppedRun(fake.form);
    };
    PushButton2_Click(fake.form);

    EXPECT_EQ(RowsLoadedFrom(fake, kRetryList),
              (std::vector<std::string>{"http://a/1", "http://a/3", "http://a/4"}));
    fake.listFiles.contents.clear();
    LeaveRetryListOfStoppedRun(fake.form);
    EXPECT_THAT(fake.listFiles.contents, IsEmpty());
}

}  // namespace
}  // namespace orlenda
