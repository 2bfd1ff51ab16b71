#include "options/picture_budget.h"

#include <gtest/gtest.h>

namespace orlenda::iecapt {
namespace {

TEST(PictureBudgetTest, BeyondTheUsualTheTimeOutGrowsUnlessGivenAndMemoryIsChecked) {
    constexpr std::int64_t kTwoGigabytes = 2'000'000'000;
    const struct {
        int width, height;
        std::optional<int> timeout;
        std::optional<std::int64_t> available;
        int timeoutSeconds;
        bool fits;
    } cases[] = {
        {1024, kMaxImageHeight, {}, 1, 60, true},
        {16384, 4000, 5, 1, 5, true},
        {16384, kMaxImageHeight, 30, 4 * kTwoGigabytes, 30, true},
        {16384, kMaxImageHeight, {}, kTwoGigabytes, 463, false},
        {16384, kMaxImageHeight, {}, std::nullopt, 463, true},  // the system does not say
        {2048, 40000, {}, std::nullopt, 66, true},
    };
    for (const auto& [width, height, timeout, available, timeoutSeconds, fits] : cases) {
        const PictureBudget budget = budgetFor(width, height, timeout, available);
        EXPECT_EQ(budget.timeoutSeconds, timeoutSeconds) << width << "x" << height;
        EXPECT_EQ(budget.fits, fits) << width << "x" << height;
    }
}

TEST(PictureBudgetTest, ALargerPictureGetsMoreThanTheTimeAndMemoryItWasMeasuredToTake) {
    // Pages 65,500 px high, of text and of stripes, on two busy cores.
    const struct {
        int width;
        int seconds;
        std::int64_t bytes;
    } measured[] = {{2048, 11, 2'196'000'000},
                    {4096, 88, 2'608'000'000},
                    {8192, 51, 2'737'000'000},
                    {16384, 347, 3'200'000'000}};
    int narrower = kDefaultTimeoutSeconds;
    for (const auto& [width, seconds, bytes] : measured) {
        const PictureBudget budget = budgetFor(width, kMaxImageHeight, {}, std::nullopt);
        EXPECT_GT(budget.timeoutSeconds, std::max(seconds, narrower)) << width;
        EXPECT_GE(budget.bytesNeeded, bytes) << width;
        EXPECT_LT(budget.bytesNeeded, 2 * bytes) << width;
        narrower = budget.timeoutSeconds;
    }
}

}  // namespace
}  // namespace orlenda::iecapt
