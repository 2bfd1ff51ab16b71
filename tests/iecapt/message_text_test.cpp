// What the tool says: one line each, short, and in words a user can act on.

#include "common/message_text.h"

#include <gtest/gtest.h>

#include <thread>

#include "common/timings.h"

namespace orlenda::iecapt {
namespace {

TEST(MessageTextTest, AnAddressIsQuotedOnOneLineAndALongOneIsCutBetweenCharacters) {
    const std::string longOne = "http://a/" + std::string(102524, 'x');
    const std::string accented = "http://a/" + std::string(140, 'x') + "\xC3\xA9\xC3\xA9" +
                                 std::string(100, 'y');  // é begins at byte 149
    const std::pair<std::string, std::string> cases[] = {
        {"http://a/b\nc\td", "http://a/b c d"},
        {std::string(200, 'a'), std::string(200, 'a')},
        {longOne, "http://a/" + std::string(141, 'x') + "... (102533 characters)"},
        {accented, "http://a/" + std::string(140, 'x') + "... (253 characters)"},
    };
    for (const auto& [url, quoted] : cases) EXPECT_EQ(shortAddress(url), quoted);
}

TEST(MessageTextTest, TheBrowsersOwnLogLinesAreToldFromOtherOutput) {
    const std::pair<std::string, bool> cases[] = {
        {"[1234:1234:0101/120000.123456:ERROR:bus.cc(407)] Failed to connect to the bus", true},
        {"[9:10:1231/235959.1:WARNING:third_party/x/y.cc:42] text", true},
        {"[77:77:0712/081500.000001:VERBOSE1:a.cc(1)] x", true},
        {"ls: unrecognized option '--headless'", false},
        {"Try 'ls --help' for more information.", false},
        {"[not a log line] x", false},
        {"", false},
    };
    for (const auto& [line, fromTheBrowser] : cases) {
        EXPECT_EQ(isBrowserLogLine(line), fromTheBrowser) << line;
    }
}

TEST(MessageTextTest, ReasonsAndNotesSayWhatTheUserCanDo) {
    EXPECT_EQ(describeLoadError("net::ERR_INVALID_AUTH_CREDENTIALS"),
              "the site asks for a login (net::ERR_INVALID_AUTH_CREDENTIALS)");
    EXPECT_EQ(describeLoadError("net::ERR_NAME_NOT_RESOLVED"), "net::ERR_NAME_NOT_RESOLVED");
    EXPECT_EQ(describeHttpStatus(401, "Unauthorized", "http://a/final"),
              "the server answered 401 Unauthorized for http://a/final: the site asks for a "
              "login; captured as it was sent");
    EXPECT_EQ(describeHttpStatus(404, "", "http://a/\n"),
              "the server answered 404 for http://a/ ; captured as it was sent");
}

TEST(TimingsTest, ThePhaseUnderWayCountsSoTheTotalAddsUp) {
    Timings timings;
    timings.begin("start");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    timings.begin("load");  // never ended, as when the load times out
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::string summary = timings.summary();
    int start = 0, load = 0, total = 0;
    ASSERT_EQ(
        std::sscanf(summary.c_str(), "start %d ms, load %d ms, total %d ms", &start, &load, &total),
        3)
        << summary;
    EXPECT_GE(load, 20) << summary;
    EXPECT_GE(total, start + load) << summary;
}

}  // namespace
}  // namespace orlenda::iecapt
