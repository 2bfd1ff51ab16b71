#include "convert/capture_outcome.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orlenda {
namespace {

TEST(ReadToolWords, KeepsTheToolsLastWordsAndItsWarningsReadyForAMessage) {
    const std::string longReason = "x" + std::string(300, 'y') + "net::ERR_X";
    const std::string shortened =
        longReason.substr(0, 104) + "\u2026" + longReason.substr(longReason.size() - 53);
    const std::pair<std::string, ToolWords> outputs[] = {
        {"\n \n\t\n", {}},
        {"iecapt: error: no capture within 60 s\r\n\n",
         {.lastLine = "no capture within 60 s", .lastLineIsReason = true}},
        {"iecapt: stopped by Terminated; nothing written",
         {.lastLine = "stopped by Terminated; nothing written"}},
        {"  a\x1B[31m\tb\x7F  \n", {.lastLine = "a [31m b"}},
        // Nor can a server's words start a line of their own or read backwards.
        {"iecapt: error: the server answered 500 OK\u2028Done.\u0085 \u202Eelif\n",
         {.lastLine = "the server answered 500 OK Done.  \\u202Eelif", .lastLineIsReason = true}},
        {"iecapt: error: " + longReason, {.lastLine = shortened, .lastLineIsReason = true}},
        // Warnings count on lines of their own, each once and a few at the
        // most, wherever they stand.
        {"ing: cut\niecapt: warning: the server answered 404\n"
         "iecapt: warning:  a\tb \niecapt: warning: a b\niecapt: warning: " +
             longReason + "\niecapt: warning: c\niecapt: warning: d\niecapt: warning: e",
         {.lastLine = "warning: e",
          .warnings = {"the server answered 404", "a b", shortened, "c"}}},
        {"iecapt: warning: 404\n" + std::string(5000, 'z') + "\n",
         {.lastLine = std::string(104, 'z') + "\u2026" + std::string(53, 'z'),
          .warnings = {"404"}}},
        // A line of megabytes is kept by its ends only, and shows as any long line.
        {"iecapt: error: " + std::string(3'000'000, ' ') + longReason,
         {.lastLine = shortened, .lastLineIsReason = true}},
    };
    for (const auto& [output, words] : outputs) {
        EXPECT_EQ(ReadToolWords(output), words) << ::testing::PrintToString(output.substr(0, 200));
        // However the reads cut it, the words are the same.
        for (const std::size_t piece : {std::size_t{1}, std::size_t{4095}, std::size_t{65536}}) {
            ToolWordsReader reader;
            for (std::size_t at = 0; at < output.size(); at += piece) {
                reader.read(std::string_view(output).substr(at, piece));
            }
            EXPECT_EQ(reader.words(), words) << piece << " bytes a read";
        }
    }
}

TEST(ShortenedText, CutsTheMiddleOutOfLongTextsNeverSplittingACharacter) {
    const std::tuple<std::string, std::size_t, std::string> texts[] = {
        {"http://a/b", 10, "http://a/b"},
        {"\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9", 12, "\u00e9\u00e9\u00e9\u2026\u00e9"},
        {"\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80", 9, "\xF0\x9F\x98\x80\u2026"},
    };
    for (const auto& [text, maxBytes, shown] : texts) {
        EXPECT_EQ(ShortenedText(text, maxBytes), shown) << text;
    }
}

// Reasons the run's table has no room for. A tool that could not be watched
// to its end may still be writing, and one killed or crashed may have been
// cut short: the new file of either is no image to count on.
TEST(JudgeCapture, CountsNoFileOfAToolThatFailedOrCouldNotBeWatched) {
    const platform::FileStamp fresh{.size = 1000, .modified = 2};
    const std::string lost = "no folder could take a file for them (/t: Permission denied)";
    const std::pair<ToolEnd, std::string> ends[] = {
        {{.watchFailure = "it could not be opened"},
         "could not watch the capture tool: it could not be opened"},
        {{.exitCode = 6}, "the image could not be written"},
        // Every status the tool documents is said in its own last words ...
        {{.exitCode = 7, .words = {.lastLine = "needs 9 GB", .lastLineIsReason = true}},
         "needs 9 GB"},
        // ... and any other only by its number.
        {{.exitCode = 8, .words = {.lastLine = "odd", .lastLineIsReason = true}},
         "the capture tool ended with code 8 (odd)"},
        {{.exitCode = 137, .ending = platform::ProcessEnding::Killed, .cause = "SIGKILL"},
         "the capture tool was killed (SIGKILL)"},
        {{.exitCode = 4, .wordsLost = lost},
         "the page could not be loaded (its messages were lost: " + lost + ")"},
    };
    for (const auto& [end, reason] : ends) {
        EXPECT_EQ(JudgeCapture(end, "/bin/iecapt", std::nullopt, fresh),
                  (CaptureOutcome{.saved = false, .reason = reason}));
    }
    // Saved, it says that any warning is unknown.
    EXPECT_THAT(JudgeCapture({.wordsLost = lost}, "/bin/iecapt", std::nullopt, fresh).warnings,
                ::testing::ElementsAre("the capture tool's messages were lost, so any warning of "
                                       "it is unknown: " +
                                       lost));
}

}  // namespace
}  // namespace orlenda
