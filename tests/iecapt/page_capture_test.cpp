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
    const auto target = [](const char* type, const char* context, const char* id) {
        return nlohmann::json{{"type", type}, {"browserContextId", context}, {"targetId", id}};
    };
    EXPECT_TRUE(isOtherWindow(target("page", "C", "P"), "C", "T"));
    EXPECT_FALSE(isOtherWindow(target("page", "C", "T"), "C", "T")) << "the captured page";
    EXPECT_FALSE(isOtherWindow(target("page", "D", "P"), "C", "T")) << "another capture's";
    EXPECT_FALSE(isOtherWindow(target("service_worker", "C", "W"), "C", "T"));
    EXPECT_FALSE(isOtherWindow(nlohmann::json::object(), "C", "T"));
}

}  // namespace
}  // namespace orlenda::iecapt
