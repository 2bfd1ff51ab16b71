#pragma once

#include "platform/desktop.h"

namespace orlenda::platform {

class WinClock final : public Clock {
public:
    int secondsSinceMidnight() const override;
    LocalTime now() const override;
};

}  // namespace orlenda::platform
