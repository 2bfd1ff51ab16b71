#include "options.h"

#include <gtest/gtest.h>

namespace orlenda::iecapt {
namespace {

using Action = ParsedCommandLine::Action;

ParsedCommandLine parse(std::vector<std::string> extra) {
    std::vector<std::string> arguments = {"--url=a/b", "--out=/tmp/a b.jpg"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return parseCommandLine(arguments);
}

TEST(OptionsTest, DefaultsWhenOnlyTheRequiredOnesAreGiven) {
    const ParsedCommandLine parsed = parse({});
    ASSERT_EQ(parsed.action, Action::Capture) << parsed.error;
    const CaptureOptions& options = parsed.options;
    EXPECT_EQ(options.url, "a/b");
    EXPECT_EQ(options.out, "/tmp/a b.jpg");
    EXPECT_EQ(options.width, 1024);
    EXPECT_EQ(options.height, 768);
    EXPECT_TRUE(options.fullPage);
    EXPECT_EQ(options.quality, 90);
    EXPECT_EQ(options.delayMs, 0);
    EXPECT_EQ(options.timeoutSeconds, 60);
    EXPECT_EQ(options.userAgent, "");
    EXPECT_FALSE(options.ignoreCertificateErrors);
    EXPECT_EQ(options.browser, "");
    EXPECT_FALSE(options.timings);
}

TEST(OptionsTest, EveryOptionIsRead) {
    const ParsedCommandLine parsed =
        parse({"--width=1280", "--height=1", "--viewport-only", "--quality=100", "--delay=0",
               "--timeout=86400", "--user-agent=Mozilla/5.0 (X11) a=b",
               "--ignore-certificate-errors", "--browser=/opt/chrome", "--timings"});
    ASSERT_EQ(parsed.action, Action::Capture) << parsed.error;
    EXPECT_EQ(parsed.options.width, 1280);
    EXPECT_EQ(parsed.options.height, 1);
    EXPECT_FALSE(parsed.options.fullPage);
    EXPECT_EQ(parsed.options.quality, 100);
    EXPECT_EQ(parsed.options.timeoutSeconds, 86400);
    EXPECT_EQ(parsed.options.userAgent, "Mozilla/5.0 (X11) a=b");
    EXPECT_TRUE(parsed.options.ignoreCertificateErrors);
    EXPECT_EQ(parsed.options.browser, "/opt/chrome");
    EXPECT_TRUE(parsed.options.timings);
}

TEST(OptionsTest, TheAddressIsTakenWholeAfterTheFirstEqualsSign) {
    const ParsedCommandLine parsed = parseCommandLine({"--url=http://x/?a=1&b=%22", "--out=o.jpg"});
    ASSERT_EQ(parsed.action, Action::Capture);
    EXPECT_EQ(parsed.options.url, "http://x/?a=1&b=%22");
}

struct Refusal {
    std::vector<std::string> arguments;
    std::string mentions;
};

class RefusedCommandLineTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedCommandLineTest, IsRefusedWithAReason) {
    const ParsedCommandLine parsed = parseCommandLine(GetParam().arguments);
    EXPECT_EQ(parsed.action, Action::Refuse);
    EXPECT_NE(parsed.error.find(GetParam().mentions), std::string::npos) << parsed.error;
}

INSTANTIATE_TEST_SUITE_P(
    BadArguments, RefusedCommandLineTest,
    ::testing::Values(
        Refusal{{}, "--url"}, Refusal{{"--url=a"}, "--out"}, Refusal{{"--out=a.jpg"}, "--url"},
        Refusal{{"--url=a", "--out="}, "--out"},
        Refusal{{"--url=a", "--out=o", "--width=0"}, "--width"},
        Refusal{{"--url=a", "--out=o", "--width=16385"}, "--width"},
        Refusal{{"--url=a", "--out=o", "--width=12px"}, "--width"},
        Refusal{{"--url=a", "--out=o", "--width= 12"}, "--width"},
        Refusal{{"--url=a", "--out=o", "--width=-5"}, "--width"},
        Refusal{{"--url=a", "--out=o", "--height=99999999999"}, "--height"},
        Refusal{{"--url=a", "--out=o", "--quality=0"}, "--quality"},
        Refusal{{"--url=a", "--out=o", "--quality=101"}, "--quality"},
        Refusal{{"--url=a", "--out=o", "--delay=-1"}, "--delay"},
        Refusal{{"--url=a", "--out=o", "--timeout=0"}, "--timeout"},
        Refusal{{"--url=a", "--out=o", "--timeout="}, "--timeout"},
        Refusal{{"--url=a", "--out=o", "--timeout"}, "needs a value"},
        Refusal{{"--url=a", "--out=o", "--viewport-only=yes"}, "takes no value"},
        Refusal{{"--url=a", "--out=o", "--user-agent="}, "--user-agent"},
        Refusal{{"--url=a", "--out=o", "--browser="}, "--browser"},
        Refusal{{"--url=a", "--out=o", "--colour=red"}, "unknown option --colour"},
        Refusal{{"--url=a", "--out=o", "--URL=b"}, "unknown option"},
        Refusal{{"--url=a", "--out=o", "-w"}, "unexpected argument"},
        Refusal{{"--url=a", "--out=o", "b.html"}, "unexpected argument"},
        Refusal{{"--url=a", "--out=o", "--url=b"}, "more than once"},
        Refusal{{"--url=a", "--out=o", "--viewport-only", "--viewport-only"}, "more than once"},
        Refusal{{"--url=a", "--out=o", "--width=800", "--width=800"}, "more than once"}));

TEST(OptionsTest, HelpAndVersionWinOverEverythingElse) {
    EXPECT_EQ(parseCommandLine({"--bogus", "--help"}).action, Action::ShowHelp);
    EXPECT_EQ(parseCommandLine({"--version", "--url=a"}).action, Action::ShowVersion);
    EXPECT_EQ(parseCommandLine({"--version", "--help"}).action, Action::ShowHelp);
}

TEST(OptionsTest, HelpNamesEveryOptionAndExitCode) {
    const std::string help = helpText();
    for (const char* option :
         {"--url=", "--out=", "--width=", "--height=", "--viewport-only",
          "--quality=", "--delay=", "--timeout=", "--user-agent=", "--ignore-certificate-errors",
          "--browser=", "--timings", "--help", "--version"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
    for (const char* code : {"  0 ", "  2 ", "  3 ", "  4 ", "  5 ", "  6 "}) {
        EXPECT_NE(help.find(code), std::string::npos) << code;
    }
}

}  // namespace
}  // namespace orlenda::iecapt
