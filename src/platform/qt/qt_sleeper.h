#pragma once

#include "platform/processes.h"

namespace orlenda::platform {

// Pauses while the window goes on serving its events.
class QtSleeper final : public Sleeper {
public:
    void sleep(int milliseconds) override;
};

}  // namespace orlenda::platform
