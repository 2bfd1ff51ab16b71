// The picture's plan: how tall it is, what it leaves out, and whether the
// browser takes it in one shot or in parts the tool joins.

#include "picture/picture_plan.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orlenda::iecapt {
namespace {

constexpr ShotLimit kSides16384 = {16384, 1024LL * 16384};
constexpr ShotLimit kWholePage = {65500, 1024LL * 65500};

TEST(ImagePartsTest, PartsCoverThePageTopToBottomWithinTheBrowsersLimits) {
    const struct {
        int width, height;
        ShotLimit limit;
        std::vector<ImagePart> parts;
    } cases[] = {
        {1024, 768, kSides16384, {{0, 768}}},
        {1024, 16384, kSides16384, {{0, 16384}}},
        {1024, 40000, kSides16384, {{0, 16384}, {16384, 16384}, {32768, 7232}}},
        {1024, 65500, kSides16384, {{0, 16384}, {16384, 16384}, {32768, 16384}, {49152, 16348}}},
        // A wide page: smaller parts, so no part is a giant picture.
        {4096, 10000, kSides16384, {{0, 4096}, {4096, 4096}, {8192, 1808}}},
        {1024, 65500, kWholePage, {{0, 65500}}},
        {2048, 40000, kWholePage, {{0, 32750}, {32750, 7250}}},
        {100, 5, {2, 1000}, {{0, 2}, {2, 2}, {4, 1}}},
        {100, 5, {1000, 300}, {{0, 3}, {3, 2}}},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(planParts(row.width, row.height, row.limit), row.parts)
            << row.width << "x" << row.height;
    }
}

TEST(PicturePlanTest, ThePageUpToItsFormatsLimitInOneShotOrInPartsOfPng) {
    using F = ImageFormat;
    const struct {
        const char* name;
        PictureRequest request;  // width, window height, full page, --max-height, format
        ContentSize content;
        ShotLimit limit;
        int height;
        std::size_t parts;
        ImageFormat shotFormat;
        std::vector<std::string> warnings;  // a part of each
    } cases[] = {
        // clang-format off
        {"the window only", {1024, 768, false, 65500, F::Jpeg}, {1600, 3000}, kWholePage,
         768, 1, F::Jpeg, {}},
        {"a short page fills the window", {1024, 768, true, 65500, F::Jpeg}, {1024, 500},
         kWholePage, 768, 1, F::Jpeg, {}},
        {"a fraction over is rounding", {1024, 768, true, 65500, F::Jpeg}, {1024.6, 3000.2},
         kWholePage, 3001, 1, F::Jpeg, {}},
        {"a wide page", {1024, 768, true, 65500, F::Jpeg}, {1600, 900}, kWholePage,
         900, 1, F::Jpeg, {"1,600 px wide"}},
        {"taller than JPEG holds", {1024, 768, true, 65500, F::Jpeg}, {1024, 100000}, kWholePage,
         65500, 1, F::Jpeg, {"100,000 px high; the picture shows its top 65,500 px"}},
        {"--max-height", {1024, 768, true, 1000, F::Jpeg}, {1024, 3000}, kWholePage,
         1000, 1, F::Jpeg, {"its top 1,000 px"}},
        {"exactly as high as JPEG holds is whole", {1024, 768, true, 65500, F::Jpeg},
         {1024, 65500}, kWholePage, 65500, 1, F::Jpeg, {}},
        {"exactly --max-height is whole", {1024, 768, true, 1000, F::Jpeg}, {1024, 1000},
         kWholePage, 1000, 1, F::Jpeg, {}},
        {"a wide and tall page", {1024, 768, true, 65500, F::Jpeg}, {2000, 70000}, kWholePage,
         65500, 1, F::Jpeg, {"2,000 px wide", "70,000 px high"}},
        {"more pixels than one shot", {2048, 768, true, 65500, F::Jpeg}, {2048, 40000},
         kWholePage, 40000, 2, F::Png, {}},
        {"WebP at its limit, more pixels than one shot", {4096, 768, true, 65500, F::WebP},
         {4096, 20000}, kWholePage,
         16383, 1, F::WebP, {"20,000 px high; the picture shows its top 16,383 px"}},
        {"the same page as JPEG", {4096, 768, true, 65500, F::Jpeg}, {4096, 20000}, kWholePage,
         20000, 2, F::Png, {}},
        // clang-format on
    };
    for (const auto& row : cases) {
        const PicturePlan plan = planPicture(row.request, row.content, row.limit);
        EXPECT_EQ(plan.height, row.height) << row.name;
        EXPECT_EQ(plan.parts.size(), row.parts) << row.name;
        EXPECT_EQ(plan.shotFormat, row.shotFormat) << row.name;
        ASSERT_EQ(plan.warnings.size(), row.warnings.size()) << row.name;
        for (std::size_t i = 0; i < row.warnings.size(); ++i) {
            EXPECT_THAT(plan.warnings[i], ::testing::HasSubstr(row.warnings[i])) << row.name;
        }
        // Whatever the parts, they are the picture's rows, each once, in order.
        int next = 0;
        for (const ImagePart& part : plan.parts) {
            EXPECT_EQ(part.top, next) << row.name;
            next = part.top + part.height;
        }
        EXPECT_EQ(next, plan.height) << row.name;
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

}  // namespace
}  // namespace orlenda::iecapt
