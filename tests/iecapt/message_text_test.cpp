// What the tool says: one line each, short, and in words a user can act on.

#include "common/message_text.h"

#include <gtest/gtest.h>

#include <QChar>
#include <QString>
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

TEST(MessageTextTest, TextAPageChoseIsCutShortOnOneLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"Onetrust", "Onetrust"},
        {"HEURISTIC\nTIER1", "HEURISTIC TIER1"},
        {std::string(5000, 'x'), std::string(60, 'x') + "..."},
        {std::string(59, 'x') + "\xC3\xA9", std::string(59, 'x') + "..."},
    };
    for (const auto& [text, quoted] : cases) EXPECT_EQ(shortPageText(text), quoted);
}

TEST(MessageTextTest, TheBrowsersOwnLogLinesAreToldFromOtherOutputAndItsFatalOneRead) {
    const std::tuple<std::string, bool, std::string> cases[] = {
        {"[1234:1234:0101/120000.123456:ERROR:bus.cc(407)] Failed to connect to the bus", true, ""},
        {"[9:10:1231/235959.1:WARNING:third_party/x/y.cc:42] text", true, ""},
        {"[77:77:0712/081500.000001:VERBOSE1:a.cc(1)] x", true, ""},
        {"[1208/095059.540750:ERROR:third_party/crashpad/crashpad/util/file/file_io_posix.cc:145] "
         "open /sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq: No such file",
         true, ""},
        {"[17390:17390:1208/095106.504855:FATAL:chrome/browser/process_singleton_posix.cc:315] "
         "Socket path too long: /tmp/x/SingletonSocket.",
         true, "Socket path too long: /tmp/x/SingletonSocket."},
        {"ls: unrecognized option '--headless'", false, ""},
        {"Try 'ls --help' for more information.", false, ""},
        {"[not a log line] x", false, ""},
        {"", false, ""},
    };
    for (const auto& [line, fromTheBrowser, fatal] : cases) {
        EXPECT_EQ(isBrowserLogLine(line), fromTheBrowser) << line;
        EXPECT_EQ(fatalLogText(line), fatal) << line;
    }
}

TEST(MessageTextTest, LoadFailuresSayWhatHappenedWithTheBrowsersCodeInBrackets) {
    const std::pair<std::string, std::string> failures[] = {
        {"net::ERR_NAME_NOT_RESOLVED", "the host name could not be found"},
        {"net::ERR_CONNECTION_REFUSED", "the server refused the connection"},
        {"net::ERR_CONNECTION_TIMED_OUT", "the connection timed out"},
        {"net::ERR_UNSAFE_PORT", "the browser does not allow this port"},
        {"net::ERR_CERT_AUTHORITY_INVALID", "the site's certificate is not trusted"},
        {"net::ERR_CERT_DATE_INVALID", "the site's certificate is not trusted"},
        {"net::ERR_TOO_MANY_REDIRECTS", "too many redirects"},
        {"net::ERR_ABORTED", "the address is a file download, not a page"},
        {"net::ERR_SSL_PROTOCOL_ERROR", "a secure connection could not be made"},
        {"net::ERR_INVALID_AUTH_CREDENTIALS", "the site asks for a login"},
        {"net::ERR_SOMETHING_NEW", "the page could not be loaded"},
    };
    for (const auto& [code, sentence] : failures) {
        EXPECT_EQ(describeLoadError(code), sentence + " (" + code + ")");
    }
    EXPECT_EQ(describeLoadError("net::ERR_X\nforged line"),
              "the page could not be loaded (net::ERR_X forged line)");
}

// What a browser short of descriptors or memory does to any page, as told
// from what a page does to a browser.
TEST(MessageTextTest, FailuresABrowsersOwnPlightExplainsAreToldFromThePages) {
    EXPECT_TRUE(mayBeTheBrowsersPlight(ExitCode::BrowserFailed, describeBrowserQuit("loading")));
    EXPECT_TRUE(mayBeTheBrowsersPlight(ExitCode::PageNotLoaded,
                                       describeLoadError("net::ERR_INSUFFICIENT_RESOURCES")));
    EXPECT_FALSE(mayBeTheBrowsersPlight(ExitCode::PageNotLoaded,
                                        describeLoadError("net::ERR_NAME_NOT_RESOLVED")));
    EXPECT_FALSE(mayBeTheBrowsersPlight(ExitCode::TimedOut, "timed out while loading the page"));
}

TEST(MessageTextTest, WarningsAndTimeOutsSayItOnceInOneLine) {
    const std::pair<std::string, std::string> texts[] = {
        {describeHttpStatus(404, ""), "the server answered 404 Not Found"},
        {describeHttpStatus(500, "Oops\n"), "the server answered 500 Oops "},
        // What a server chose can neither end the line nor turn it around.
        {describeHttpStatus(500, "OK\u2028Done.\u0085x \u202Eelif"),
         "the server answered 500 OK Done. x \\u202Eelif"},
        {describeHttpStatus(503, std::string(99, 'x') + "\u00e9"),
         "the server answered 503 " + std::string(99, 'x')},
        {describeHttpStatus(401, "Unauthorized"),
         "the server answered 401 Unauthorized; the site asks for a login"},
        {describeHttpStatus(499, ""), "the server answered 499"},
        {describeTimeOut(60, "timed out while loading the page"),
         "timed out after 60 s while loading the page"},
        {describeTimeOut(5, "the browser hung"), "timed out after 5 s: the browser hung"},
        {heightCutWarning(84689, 65500),
         "the page is 84,689 px high; the picture shows its top 65,500 px"},
        {widthCutWarning(1600, 1024),
         "the page is 1,600 px wide; the picture shows its left 1,024 px"},
        {heightCutWarning(1000000, 999),
         "the page is 1,000,000 px high; the picture shows its top 999 px"},
        {pictureCostNote(4096, 65500, 141, 2'251'500'000, 90),
         "a picture up to 4,096 x 65,500 px may take up to 141 s and about 2.3 GB of memory; "
         "--timeout=90 may end it first"},
        {pictureCostNote(4096, 65500, 141, 2'251'500'000, 141),
         "a picture up to 4,096 x 65,500 px may take up to 141 s and about 2.3 GB of memory"},
        {memoryRefusal(16384, 65500, 3'257'000'000, 949'999'999, "--max-height"),
         "a picture up to 16,384 x 65,500 px needs about 3.3 GB of memory and 0.9 GB is "
         "available; lower --width or --max-height"},
        {gaveUpWaitingFor({"a.example"}, 15), "gave up waiting for a.example after 15 s"},
        {gaveUpWaitingFor({"a", "b", "c\nd"}, 3), "gave up waiting for a, b and c d after 3 s"},
        {gaveUpWaitingFor({"a", "b", "c", "d", "e"}, 3),
         "gave up waiting for a, b, c and 2 more hosts after 3 s"},
        {loadUnfinishedWarning(5), "the page was still busy after 5 s; captured as it was"},
        {blankFramesWarning({"a", "b", "c", "d"}),
         "frames of other sites below the window are blank in the picture (a, b, c and 1 more "
         "host)"},
        {refreshLaterWarning("http://a/next", 60),
         "the page moves on to http://a/next in 60 s; captured before it does"},
        {describeBrowserQuit("starting the browser"), "the browser quit while starting"},
        {describeBrowserQuit("loading the page"), "the browser quit while loading the page"},
    };
    for (const auto& [text, expected] : texts) EXPECT_EQ(text, expected);
}

// Every character Unicode counts as a control, a format character or a
// line or paragraph separator is changed; every other one stays as it is.
TEST(MessageTextTest, OnlyWhatBreaksOrTurnsALineIsChanged) {
    for (char32_t code = 0; code <= 0x10FFFF; ++code) {
        const QChar::Category category = QChar::category(code);
        if (QChar::isSurrogate(code) || category == QChar::Other_NotAssigned) continue;
        const std::string character = QStringView(QChar::fromUcs4(code)).toString().toStdString();
        const bool hidden = category == QChar::Other_Control || category == QChar::Other_Format ||
                            category == QChar::Separator_Line ||
                            category == QChar::Separator_Paragraph;
        EXPECT_EQ(oneLine(character) != character, hidden) << std::hex << std::uint32_t{code};
    }
    const std::pair<std::string, std::string> malformed[] = {
        {"a\xC0\x80"
         "b",
         "a\uFFFD\uFFFDb"},                                // an overlong NUL
        {"\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},            // a surrogate
        {"x\xE2\x80", "x\uFFFD\uFFFD"},                    // cut short
        {"\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
        {"\U000E0041\u200D", "\\U000E0041\\u200D"},
    };
    for (const auto& [text, shown] : malformed) EXPECT_EQ(oneLine(text), shown);
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
