#include "platform/win/win_clock.h"

#include <windows.h>

namespace orlenda::platform {

int WinClock::secondsSinceMidnight() const {
    SYSTEMTIME local{};
    ::GetLocalTime(&local);
    return local.wHour * 3600 + local.wMinute * 60 + local.wSecond;
}

}  // namespace orlenda::platform
