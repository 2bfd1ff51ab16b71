// The decisions the capture makes from what the browser reports.

#include "page/page_capture.h"

#include <gtest/gtest.h>

namespace orlenda::iecapt {
namespace {

TEST(DesktopUserAgentTest, NeitherHeadlessNorAFullVersionReachesThePage) {
    constexpr std::string_view kBefore = "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 ";
    const struct {
        std::string reported, told;
    } cases[] = {
        {"HeadlessChrome/156.0.8078.129 Safari/537.36", "Chrome/156.0.0.0 Safari/537.36"},
        {"HeadlessChrome/156.0.0.0 Safari/537.36", "Chrome/156.0.0.0 Safari/537.36"},
        {"HeadlessChrome/1.0", "Chrome/1.0.0.0"},
        {"HeadlessChrome/77", "Chrome/77"},
        {"Chrome/156.0.8078.129 Safari/537.36", "Chrome/156.0.8078.129 Safari/537.36"},
        {"", ""},
    };
    for (const auto& [reported, told] : cases) {
        EXPECT_EQ(desktopUserAgent(std::string(kBefore) + reported), std::string(kBefore) + told)
            << reported;
    }
}

TEST(SingleShotLimitTest, WholePagesInOneShotOnlyFromTheChromiumMeasured) {
    constexpr ShotLimit kMeasured = {65500, 1024LL * 65500};
    constexpr ShotLimit kEveryChromium = {16384, 1024LL * 16384};
    const struct {
        std::string userAgent;
        ShotLimit limit;
    } cases[] = {
        {"Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
         "HeadlessChrome/156.0.8078.129 Safari/537.36",
         kMeasured},
        {"Mozilla/5.0 (X11; Linux x86_64) HeadlessChrome/157.0.0.0 Safari/537.36", kMeasured},
        {"Mozilla/5.0 (X11; Linux x86_64) HeadlessChrome/155.0.7000.1 Safari/537.36",
         kEveryChromium},
        {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) HeadlessChrome/156.0.0.0 Safari/537.36",
         kEveryChromium},
        {"Mozilla/5.0 (X11; Linux x86_64) HeadlessChrome/ Safari/537.36", kEveryChromium},
        {"", kEveryChromium},
    };
    for (const auto& [userAgent, limit] : cases) {
        const ShotLimit found = singleShotLimit(userAgent);
        EXPECT_EQ(found.maxSide, limit.maxSide) << userAgent;
        EXPECT_EQ(found.maxPixels, limit.maxPixels) << userAgent;
    }
}

TEST(OtherWindowTest, OnlyPagesOfTheCapturesOwnContextBesidesItsOwn) {
    using nlohmann::json;
    const struct {
        const char* what;
        json target;
        bool other;
    } cases[] = {
        {"a window the page opened",
         {{"type", "page"}, {"browserContextId", "C"}, {"targetId", "P"}, {"openerId", "T"}},
         true},
        {"one opened without an opener",
         {{"type", "page"}, {"browserContextId", "C"}, {"targetId", "P"}},
         true},
        {"the captured page",
         {{"type", "page"}, {"browserContextId", "C"}, {"targetId", "T"}},
         false},
        {"another capture's page",
         {{"type", "page"}, {"browserContextId", "D"}, {"targetId", "P"}},
         false},
        {"a worker of the page",
         {{"type", "service_worker"}, {"browserContextId", "C"}, {"targetId", "W"}},
         false},
        {"a target that says nothing", json::object(), false},
    };
    for (const auto& [what, target, other] : cases) {
        EXPECT_EQ(isOtherWindow(target, "C", "T"), other) << what;
    }
}

}  // namespace
}  // namespace orlenda::iecapt
