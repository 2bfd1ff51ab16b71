#include "convert/capture_outcome.h"

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
        {"iecapt: error: " + longReason, {.lastLine = shortened, .lastLineIsReason = true}},
        // Warnings count on lines of their own, each once and a few at the
        // most; a line cut off at the front of the tail is none.
        {"ing: cut\niecapt: warning: the server answered 404\n"
         "iecapt: warning:  a\tb \niecapt: warning: a b\niecapt: warning: " +
             longReason + "\niecapt: warning: c\niecapt: warning: d\niecapt: warning: e",
         {.lastLine = "warning: e",
          .warnings = {"the server answered 404", "a b", shortened, "c"}}},
    };
    for (const auto& [output, words] : outputs) {
        EXPECT_EQ(ReadToolWords(output), words) << ::testing::PrintToString(output);
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
// to its end may still be writing: its file is no image to count on.
TEST(JudgeCapture, CountsNoFileOfAToolThatFailedOrCouldNotBeWatched) {
    const platform::FileStamp fresh{.size = 1000, .modified = 2};
    const std::pair<ToolEnd, std::string> ends[] = {
        {{.watchFailure = "it could not be opened"},
         "could not watch the capture tool: it could not be opened"},
        {{.exitCode = 6}, "the image could not be written"},
    };
    for (const auto& [end, reason] : ends) {
        EXPECT_EQ(JudgeCapture(end, "/bin/iecapt", std::nullopt, fresh),
                  (CaptureOutcome{.saved = false, .reason = reason}));
    }
}

}  // namespace
}  // namespace orlenda
