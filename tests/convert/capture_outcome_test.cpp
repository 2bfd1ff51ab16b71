#include "convert/capture_outcome.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "convert/capture_runner.h"
#include "convert/retry_list.h"
#include "fakes/fake_form.h"

namespace orlenda {
namespace {

using platform::FileStamp;

constexpr char kTool[] = "/opt/orlenda/iecapt";

TEST(JudgeCapture, SavedOnlyWhenTheToolSucceededAndLeftANewImage) {
    const FileStamp old{.size = 900, .modified = 1, .volume = 1, .fileIndex = 7};
    const FileStamp fresh{.size = 1200, .modified = 2, .volume = 1, .fileIndex = 8};
    const FileStamp empty{.size = 0, .modified = 2, .volume = 1, .fileIndex = 8};
    const std::optional<FileStamp> none;
    struct Case {
        ToolEnd end;
        std::optional<FileStamp> before, after;
        CaptureOutcome outcome;
    };
    const Case cases[] = {
        {{0}, none, fresh, {.saved = true}},
        {{0}, old, fresh, {.saved = true}},  // an old image replaced
        {{0}, old, old, {.reason = "no new image was written (the file there is from before)"}},
        {{0}, none, none, {.reason = "the capture tool ended without writing the image"}},
        {{0}, none, empty, {.reason = "the capture tool wrote an empty image"}},
        {{0, "", "note: the server answered 404"},
         old,
         old,
         {.reason = "no new image was written (the file there is from before) (note: the server "
                    "answered 404)"}},
        {{1, "", "unexpected failure: bad_alloc"},
         none,
         none,
         {.reason = "the capture tool failed unexpectedly (unexpected failure: bad_alloc)"}},
        {{2}, none, none, {.reason = "the address is not a web page address"}},
        {{3}, none, none, {.reason = "the web browser could not be started or stopped working"}},
        {{4, "", "net::ERR_CONNECTION_REFUSED"},
         none,
         none,
         {.reason = "the page could not be loaded (net::ERR_CONNECTION_REFUSED)"}},
        {{5, "", "no capture within 60 s"},
         none,
         none,
         {.reason = "the capture took too long (timed out) (no capture within 60 s)"}},
        // A failing tool never counts, whatever file is there.
        {{6}, none, fresh, {.reason = "the image could not be written"}},
        {{137}, none, none, {.reason = "the capture tool ended with code 137"}},
        {{-1}, none, none, {.reason = "the capture tool ended with code -1"}},
        {{-2147221502, "No such file or directory"},
         none,
         none,
         {.reason = "the capture tool could not be started: No such file or directory "
                    "(/opt/orlenda/iecapt)",
          .toolNotStarted = true}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(JudgeCapture(c.end, kTool, c.before, c.after), c.outcome)
            << c.end.exitCode << " " << c.outcome.reason;
    }
}

TEST(LastErrorLine, KeepsTheToolsLastWordsReadyForAMessage) {
    const std::string longReason = "x" + std::string(300, 'y') + "net::ERR_X";
    const std::pair<std::string, std::string> outputs[] = {
        {"", ""},
        {"\n \n\t\n", ""},
        {"iecapt: warning: slow\niecapt: error: could not load a/: net::ERR_NAME_NOT_RESOLVED\n\n",
         "could not load a/: net::ERR_NAME_NOT_RESOLVED"},
        {"iecapt: error: no capture within 60 s\r\n", "no capture within 60 s"},
        {"iecapt: stopped by Terminated; nothing written",
         "stopped by Terminated; nothing written"},
        {"Segmentation fault\n", "Segmentation fault"},
        {"  a\x1B[31m\tb\x7F  \n", "a [31m b"},
        {"iecapt: error: " + longReason,
         longReason.substr(0, 104) + "\u2026" + longReason.substr(longReason.size() - 53)},
    };
    for (const auto& [output, line] : outputs) {
        EXPECT_EQ(LastErrorLine(output), line) << ::testing::PrintToString(output);
    }
}

TEST(ShortenedText, CutsTheMiddleOutOfLongTextsNeverSplittingACharacter) {
    const std::tuple<std::string, std::size_t, std::string> texts[] = {
        {"http://a/b", 10, "http://a/b"},
        {"http://example.org/path", 10, "http\u2026ath"},
        // Two-byte characters on either side of both cuts.
        {"\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9", 12, "\u00e9\u00e9\u00e9\u2026\u00e9"},
        {"\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80", 9, "\xF0\x9F\x98\x80\u2026"},
    };
    for (const auto& [text, maxBytes, shown] : texts) {
        EXPECT_EQ(ShortenedText(text, maxBytes), shown) << text;
        EXPECT_LE(ShortenedText(text, maxBytes).size(), std::max(maxBytes, text.size()));
    }
}

TEST(RunToolAndWait, KeepsTheLastLineOfAToolsStandardErrorFromAShortTail) {
    testing::FakeForm fake;
    // More than the tail that is read: only the end of it matters.
    fake.processes.script = {{.exitCode = 4,
                              .errorOutput = std::string(10000, 'z') +
                                             "\niecapt: error: could not load "
                                             "http://a/: net::ERR_CONNECTION_REFUSED\n"}};
    const ToolEnd end = RunToolAndWait({fake.processes, fake.events, fake.sleeper}, "iecapt",
                                       std::nullopt, nullptr, "", 0, 1);
    EXPECT_EQ(end.exitCode, 4);
    EXPECT_EQ(end.startFailure, "");
    EXPECT_EQ(end.lastErrorLine, "could not load http://a/: net::ERR_CONNECTION_REFUSED");
}

TEST(RetryListName, TellsTheMomentInAWayEveryFileSystemTakes) {
    const platform::LocalTime time{2026, 3, 7, 4, 5, 6};
    EXPECT_EQ(RetryListName(time, 1), "Not saved 2026-03-07 04.05.06.txt");
    EXPECT_EQ(RetryListName(time, 2), "Not saved 2026-03-07 04.05.06 (2).txt");
    EXPECT_EQ(RetryListName(time, 100), "Not saved 2026-03-07 04.05.06 (100).txt");
}

}  // namespace
}  // namespace orlenda
