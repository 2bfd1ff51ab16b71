#pragma once

namespace orlenda::platform {

// The yield point of long operations: runs every pending window event.
class EventPump {
public:
    virtual ~EventPump() = default;

    virtual void processEvents() = 0;
};

}  // namespace orlenda::platform
