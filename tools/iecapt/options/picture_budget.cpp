#include "options/picture_budget.h"

namespace orlenda::iecapt {
namespace {

// Measured with Chromium 156 on two busy cores, on pages 65,500 px high of
// text and of one-pixel stripes: 0.1 to 0.33 s a million pixels beyond the
// usual, and 2.2 to 3.2 GB for all processes, against 2.1 GB for the usual
// picture. The rates keep a margin over the slowest and largest seen.
constexpr std::int64_t kPixelsPerSecond = 2'500'000;  // 0.4 s a million pixels
constexpr std::int64_t kBytesBeyondUsual = 2'600'000'000;
constexpr std::int64_t kBytesPerFivePixels = 3;  // 0.6 bytes a pixel

}  // namespace

PictureBudget budgetFor(int width, int height, std::optional<int> givenTimeoutSeconds,
                        std::optional<std::int64_t> availableBytes) {
    PictureBudget budget{.timeoutSeconds = givenTimeoutSeconds.value_or(kDefaultTimeoutSeconds)};
    const std::int64_t extraPixels =
        static_cast<std::int64_t>(width) * height - kUsualPicturePixels;
    if (extraPixels <= 0) return budget;
    budget.secondsNeeded =
        kDefaultTimeoutSeconds +
        static_cast<int>((extraPixels + kPixelsPerSecond - 1) / kPixelsPerSecond);
    budget.bytesNeeded = kBytesBeyondUsual + extraPixels * kBytesPerFivePixels / 5;
    if (!givenTimeoutSeconds) budget.timeoutSeconds = budget.secondsNeeded;
    budget.fits = !availableBytes || budget.bytesNeeded <= *availableBytes;
    return budget;
}

}  // namespace orlenda::iecapt
