#pragma once

#include "shared/win/owned_handle.h"

namespace orlenda::platform {

// Turns the console's requests to end, Ctrl+C, Ctrl+Break, the close of the
// console the program is attached to, a log-off or a shut-down, into an
// event that the window's thread watches. The system calls the handler on a
// thread of its own and ends the process once it returns: for a close, a
// log-off or a shut-down it never returns, so the window's thread ends the
// program in order first (or the system stops waiting, seconds later). One
// per process.
class WinStopRequests {
public:
    // Throws std::system_error when no event can be made.
    WinStopRequests();
    ~WinStopRequests();
    WinStopRequests(const WinStopRequests&) = delete;
    WinStopRequests& operator=(const WinStopRequests&) = delete;

    // Signalled once a request has arrived.
    HANDLE event() const { return m_event.get(); }

private:
    OwnedHandle m_event;
};

}  // namespace orlenda::platform
