#include "platform/win/win_clock.h"

#include <windows.h>

namespace orlenda::platform {

int WinClock::secondsSinceMidnight() const {
    const LocalTime local = now();
    return local.hour * 3600 + local.minute * 60 + local.second;
}

LocalTime WinClock::now() const {
    SYSTEMTIME local{};
    ::GetLocalTime(&local);
    return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

}  // namespace orlenda::platform
