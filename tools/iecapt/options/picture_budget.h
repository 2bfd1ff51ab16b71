#pragma once

#include <cstdint>
#include <optional>

#include "options/options.h"

namespace orlenda::iecapt {

// The pixels the default time-out is meant for: a page 1024 px wide, up to
// the tallest image.
inline constexpr std::int64_t kUsualPicturePixels = 1024LL * kMaxImageHeight;

// What the largest picture the options allow costs, and the time-out it gets.
// Within the usual pixels nothing changes. Beyond them, the default time-out
// grows with the pixels (a --timeout given is kept), and a picture whose
// capture needs more memory than the system has available is refused.
struct PictureBudget {
    int timeoutSeconds = 0;
    int secondsNeeded = 0;         // as measured, with a margin; 0 within the usual pixels
    std::int64_t bytesNeeded = 0;  // all the browser's processes and the tool's; 0 likewise
    bool fits = true;              // in the memory available, where the system says
};

PictureBudget budgetFor(int width, int height, std::optional<int> givenTimeoutSeconds,
                        std::optional<std::int64_t> availableBytes);

}  // namespace orlenda::iecapt
