#include "platform/posix/posix_clock.h"

#include <ctime>

namespace orlenda::platform {

int PosixClock::secondsSinceMidnight() const {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!::localtime_r(&now, &local)) return 0;
    return local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
}

}  // namespace orlenda::platform
