#include "platform/posix/posix_clock.h"

#include <ctime>

namespace orlenda::platform {

int PosixClock::secondsSinceMidnight() const {
    const LocalTime local = now();
    return local.hour * 3600 + local.minute * 60 + local.second;
}

LocalTime PosixClock::now() const {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!::localtime_r(&now, &local)) return {};
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

}  // namespace orlenda::platform
