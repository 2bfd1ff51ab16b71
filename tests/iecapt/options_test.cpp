#include "options.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>
#include <tuple>

namespace orlenda::iecapt {
namespace {

using Action = ParsedCommandLine::Action;

auto fieldsOf(const CaptureOptions& o) {
    return std::tuple(o.url, o.out, o.width, o.height, o.fullPage, o.quality, o.delayMs,
                      o.timeoutSeconds, o.userAgent, o.ignoreCertificateErrors, o.browser,
                      o.timings);
}

TEST(OptionsTest, EveryOptionIsReadAndTheOthersHaveTheirDefaults) {
    const std::pair<std::vector<std::string>, decltype(fieldsOf({}))> cases[] = {
        {{"--url=a/b", "--out=/tmp/a b.jpg"},
         {"a/b", "/tmp/a b.jpg", 1024, 768, true, 90, 0, 60, "", false, "", false}},
        {{"--url=http://x/?a=1&b=%22", "--out=o.jpg", "--width=16384", "--height=1",
          "--viewport-only", "--quality=100", "--delay=250", "--timeout=86400",
          "--user-agent=Mozilla/5.0 (X11) a=b", "--ignore-certificate-errors",
          "--browser=/opt/chrome", "--timings"},
         {"http://x/?a=1&b=%22", "o.jpg", 16384, 1, false, 100, 250, 86400, "Mozilla/5.0 (X11) a=b",
          true, "/opt/chrome", true}},
    };
    for (const auto& [arguments, expected] : cases) {
        const ParsedCommandLine parsed = parseCommandLine(arguments);
        EXPECT_EQ(parsed.action, Action::Capture) << parsed.error;
        EXPECT_EQ(fieldsOf(parsed.options), expected);
    }
}

TEST(OptionsTest, BadArgumentsAreRefusedWithAReason) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "--url"},
        {"--url=a", "--out"},
        {"--out=a.jpg", "--url"},
        {"--url=a --out=", "--out"},
        {"--url=a --out=o --width=0", "--width"},
        {"--url=a --out=o --width=16385", "--width"},
        {"--url=a --out=o --width=12px", "--width"},
        {"--url=a --out=o --width=+12", "--width"},
        {"--url=a --out=o --width=-5", "--width"},
        {"--url=a --out=o --height=99999999999", "--height"},
        {"--url=a --out=o --quality=0", "--quality"},
        {"--url=a --out=o --quality=101", "--quality"},
        {"--url=a --out=o --delay=-1", "--delay"},
        {"--url=a --out=o --timeout=0", "--timeout"},
        {"--url=a --out=o --timeout=", "--timeout"},
        {"--url=a --out=o --timeout", "needs a value"},
        {"--url=a --out=o --viewport-only=yes", "takes no value"},
        {"--url=a --out=o --user-agent=", "--user-agent"},
        {"--url=a --out=o --browser=", "--browser"},
        {"--url=a --out=o --colour=red", "unknown option --colour"},
        {"--url=a --out=o --URL=b", "unknown option"},
        {"--url=a --out=o b.html", "unexpected argument"},
        {"--url=a --out=o --url=b", "more than once"},
        {"--url=a --out=o --timings --timings", "more than once"},
    };
    for (const auto& [given, reason] : cases) {
        std::istringstream words(given);
        const ParsedCommandLine parsed = parseCommandLine(
            {std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()});
        EXPECT_EQ(parsed.action, Action::Refuse) << given;
        EXPECT_NE(parsed.error.find(reason), std::string::npos) << given << ": " << parsed.error;
    }
}

TEST(OptionsTest, HelpAndVersionWinOverEverythingElse) {
    EXPECT_EQ(parseCommandLine({"--bogus", "--help"}).action, Action::ShowHelp);
    EXPECT_EQ(parseCommandLine({"--version", "--url=a"}).action, Action::ShowVersion);
    EXPECT_EQ(parseCommandLine({"--version", "--help"}).action, Action::ShowHelp);
}

}  // namespace
}  // namespace orlenda::iecapt
