#include "options/options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <sstream>
#include <tuple>

#include "run/capture_run.h"

namespace orlenda::iecapt {
namespace {

using Action = ParsedCommandLine::Action;

auto fieldsOf(const CaptureOptions& o) {
    return std::tuple(o.url, o.out, o.format, o.width, o.height, o.fullPage, o.maxHeight, o.quality,
                      o.settleMs, o.delayMs, o.timeoutSeconds, o.timeoutGiven, o.userAgent,
                      o.ignoreCertificateErrors, o.allowFileUrls, o.browser, o.timings);
}

constexpr auto kJpeg = ImageFormat::Jpeg;

TEST(OptionsTest, EveryOptionIsReadInEitherFormAndTheOthersHaveTheirDefaults) {
    const std::pair<std::vector<std::string>, decltype(fieldsOf({}))> cases[] = {
        {{"--url=a/b", "--out=/tmp/a b.jpg"},
         {"a/b", "/tmp/a b.jpg", kJpeg, 1024, 768, true, 65500, 90, 3000, 0, 60, false, "", false,
          false, "", false}},
        {{"--url=http://x/?a=1&b=%22", "--out=o.JPEG", "--width=16384", "--height=1",
          "--viewport-only", "--max-height=20000", "--quality=100", "--settle=0", "--delay=250",
          "--timeout=86400", "--user-agent=Mozilla/5.0 (X11) a=b", "--ignore-certificate-errors",
          "--allow-file-urls", "--browser=/opt/chrome", "--timings"},
         {"http://x/?a=1&b=%22", "o.JPEG", kJpeg, 16384, 1, false, 20000, 100, 0, 250, 86400, true,
          "Mozilla/5.0 (X11) a=b", true, true, "/opt/chrome", true}},
        // The conventions of other command-line tools.
        {{"--width", "800", "a", "shot.png", "--user-agent", "--odd", "--settle", "10"},
         {"a", "shot.png", ImageFormat::Png, 800, 768, true, 65500, 90, 10, 0, 60, false, "--odd",
          false, false, "", false}},
        {{"--out", "x.WebP", "--", "-a"},
         {"-a", "x.WebP", ImageFormat::WebP, 1024, 768, true, 65500, 90, 3000, 0, 60, false, "",
          false, false, "", false}},
        {{"--url=u", "shot"},
         {"u", "shot", kJpeg, 1024, 768, true, 65500, 90, 3000, 0, 60, false, "", false, false, "",
          false}},
    };
    for (const auto& [arguments, expected] : cases) {
        const ParsedCommandLine parsed = parseCommandLine(arguments);
        EXPECT_EQ(parsed.action, Action::Capture) << parsed.error;
        EXPECT_EQ(fieldsOf(parsed.options), expected) << arguments.front();
    }
}

TEST(OptionsTest, ConsentBannersAreAnsweredUnlessKeptOnRequest) {
    const std::pair<std::vector<std::string>, bool> cases[] = {
        {{"a", "b.jpg"}, false},
        {{"a", "b.jpg", "--keep-consent-banners"}, true},
    };
    for (const auto& [arguments, kept] : cases) {
        EXPECT_EQ(parseCommandLine(arguments).options.keepConsentBanners, kept) << arguments.back();
    }
    EXPECT_EQ(parseCommandLine({"a", "b.jpg", "--keep-consent-banners=yes"}).error,
              "--keep-consent-banners takes no value");
}

TEST(OptionsTest, TheHostIsOnUnlessTurnedOffAndItsIdleTimeComesFromTheEnvironment) {
    const struct {
        std::vector<std::string> environment;
        bool useHost;
        int idleSeconds;  // -1: refused
    } cases[] = {
        {{}, true, 30},
        {{"IECAPT_NO_HOST=1", "IECAPT_HOST_IDLE=0"}, false, 0},
        {{"IECAPT_NO_HOST=yes", "IECAPT_HOST_IDLE=3600"}, false, 3600},
        {{"IECAPT_NO_HOST=0", "IECAPT_NO_HOST_IDLE=5", "X=IECAPT_NO_HOST=1"}, true, 30},
        {{"IECAPT_NO_HOST="}, true, 30},
        {{"IECAPT_HOST_IDLE="}, true, 30},
        {{"IECAPT_HOST_IDLE=3601"}, true, -1},
        {{"IECAPT_HOST_IDLE=soon"}, true, -1},
    };
    for (const auto& [environment, useHost, idleSeconds] : cases) {
        const ParsedCommandLine parsed = parseCommandLine({"a", "b.jpg"}, environment);
        const std::string given = environment.empty() ? "" : environment.front();
        if (idleSeconds < 0) {
            EXPECT_NE(parsed.error.find("IECAPT_HOST_IDLE must be a whole number"),
                      std::string::npos)
                << given;
            continue;
        }
        EXPECT_EQ(parsed.options.useHost, useHost) << given;
        EXPECT_EQ(parsed.options.hostIdleSeconds, idleSeconds) << given;
    }
    EXPECT_FALSE(parseCommandLine({"a", "b.jpg", "--no-host"}).options.useHost);
}

TEST(OptionsTest, TheScrollThePictureAndItsBudgetStopAtOneHeight) {
    const struct {
        std::vector<std::string> arguments;
        int scrolledTo;  // the deepest the page is scrolled, to load what it loads there
        int tallest;     // the tallest picture, which its time and memory are priced by
    } cases[] = {
        {{"a", "b.jpg"}, 65500, 65500},
        {{"a", "b.webp"}, 16383, 16383},
        {{"a", "b.webp", "--max-height=20000"}, 16383, 16383},
        {{"a", "b.webp", "--max-height=9000"}, 9000, 9000},
        {{"a", "b.png", "--max-height=1000"}, 1000, 1000},
        {{"a", "b.webp", "--viewport-only"}, 16383, 768},
        {{"a", "b.webp", "--viewport-only", "--height=16384"}, 16383, 16383},
    };
    for (const auto& [arguments, scrolledTo, tallest] : cases) {
        const PictureRequest request = pictureRequestOf(parseCommandLine(arguments).options);
        EXPECT_EQ(heightLimit(request), scrolledTo) << arguments.back();
        EXPECT_EQ(tallestPicture(request), tallest) << arguments.back();
        // A page taller than any picture is cut where the budget stops.
        const ContentSize endless = {.width = 1024, .height = 1e6};
        EXPECT_EQ(planPicture(request, endless, singleShotLimit("")).height, tallest)
            << arguments.back();
    }
}

TEST(OptionsTest, BadArgumentsAreRefusedWithAReason) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "no address"},
        {"--url=a", "no output file"},
        {"--out=a.jpg", "no address"},
        {"--url=a --out=", "no output file"},
        {"--url=a --out=o --width=0", "--width"},
        {"--url=a --out=o --width=16385", "--width"},
        {"--url=a --out=o --width=12px", "--width"},
        {"--url=a --out=o --width=+12", "--width"},
        {"--url=a --out=o --width=-5", "--width"},
        {"--url=a --out=o --height=99999999999", "--height"},
        {"--url=a --out=o --max-height=65501", "--max-height"},
        {"--url=a --out=o --quality=0", "--quality"},
        {"--url=a --out=o --quality=101", "--quality"},
        {"--url=a --out=o --delay=-1", "--delay"},
        {"--url=a --out=o --settle=-1", "--settle"},
        {"--url=a --out=o --slow-cpu=0", "--slow-cpu"},
        {"--url=a --out=o --slow-cpu=21", "--slow-cpu"},
        {"--url=a --out=o --timeout=0", "--timeout"},
        {"--url=a --out=o --timeout=", "--timeout"},
        {"--url=a --out=o --timeout", "needs a value"},
        {"--url=a --out=o --viewport-only=yes", "takes no value"},
        {"--url=a --out=o --user-agent=", "--user-agent"},
        {"--url=a --out=o --browser=", "--browser"},
        {"--url=a --out=o --colour=red", "unknown option --colour"},
        {"--url=a --out=o --URL=b", "unknown option"},
        {"--url=a --out=o -x", "unknown option -x"},
        {"--url=a --out=o b.html", "unexpected argument \"b.html\""},
        {"a b.jpg c", "unexpected argument \"c\""},
        {"--url=a --out=o --url=b", "more than once"},
        {"--url=a --out=o --timings --timings", "more than once"},
        {"--url=a --out=shot.gif", ".jpg, .jpeg, .png or .webp"},
        {"a www.example.com", ".jpg, .jpeg, .png or .webp"},
        {"a shot.", ".jpg, .jpeg, .png or .webp"},
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
    EXPECT_EQ(parseCommandLine({"a", "-h"}).action, Action::ShowHelp);
    EXPECT_EQ(parseCommandLine({"--version", "--url=a"}).action, Action::ShowVersion);
    EXPECT_EQ(parseCommandLine({"--version", "--help"}).action, Action::ShowHelp);
}

TEST(OptionsTest, ARefusalIsOneLineThatPointsToTheHelpOnce) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--colour=red"}, {"--url=a\nb", "--out=x.gif"}}) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(runTool(arguments, out, err), 2);
        const std::string said = err.str();
        EXPECT_EQ(std::ranges::count(said, '\n'), 1) << said;
        EXPECT_EQ(said.find("--help"), said.rfind("--help")) << said;
        EXPECT_EQ(out.str(), "");
    }
}

}  // namespace
}  // namespace orlenda::iecapt
