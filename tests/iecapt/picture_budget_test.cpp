#include "options/picture_budget.h"

#include <gtest/gtest.h>

namespace orlenda::iecapt {
namespace {

constexpr std::int64_t kGigabyte = 1'000'000'000;

TEST(PictureBudgetTest, TheUsualPictureKeepsItsTimeOutWhateverTheMemory) {
    const struct {
        int width, height;
        std::optional<int> timeout;
    } cases[] = {{1024, kMaxImageHeight, {}}, {4096, 16000, {}}, {16384, 4000, 5}};
    for (const auto& [width, height, timeout] : cases) {
        const PictureBudget budget = budgetFor(width, height, timeout, 1);
        EXPECT_EQ(budget.timeoutSeconds, timeout.value_or(kDefaultTimeoutSeconds)) << width;
        EXPECT_EQ(budget.secondsNeeded, 0) << width;
        EXPECT_TRUE(budget.fits) << width;
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
        EXPECT_EQ(budget.timeoutSeconds, budget.secondsNeeded) << width;
        EXPECT_GT(budget.timeoutSeconds, std::max(seconds, narrower)) << width;
        EXPECT_GE(budget.bytesNeeded, bytes) << width;
        EXPECT_LT(budget.bytesNeeded, 2 * bytes) << width;
        narrower = budget.timeoutSeconds;
    }
}

TEST(PictureBudgetTest, AGivenTimeOutIsKeptAndAPictureBeyondTheMemoryRefused) {
    const struct {
        int height;
        std::optional<int> timeout;
        std::optional<std::int64_t> available;
        bool fits;
    } cases[] = {
        {kMaxImageHeight, 30, 8 * kGigabyte, true},
        {kMaxImageHeight, {}, 2 * kGigabyte, false},
        {kMaxImageHeight, {}, std::nullopt, true},  // the system does not say
        {16384, {}, 2 * kGigabyte, false},
    };
    for (const auto& [height, timeout, available, fits] : cases) {
        const PictureBudget budget = budgetFor(16384, height, timeout, available);
        EXPECT_EQ(budget.timeoutSeconds, timeout.value_or(budget.secondsNeeded)) << height;
        EXPECT_GT(budget.secondsNeeded, kDefaultTimeoutSeconds);
        EXPECT_EQ(budget.fits, fits) << height;
    }
}

}  // namespace
}  // namespace orlenda::iecapt
