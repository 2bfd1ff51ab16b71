#include "platform/win/win_stop_requests.h"

#include <mutex>
#include <system_error>

namespace orlenda::platform {
namespace {

// The handler runs on a thread of its own: the lock keeps it from setting
// the event while, or after, the watch closes it.
std::mutex g_eventLock;
HANDLE g_event = nullptr;

BOOL WINAPI NoteStopRequest(DWORD request) {
    {
        const std::lock_guard lock(g_eventLock);
        if (g_event != nullptr) ::SetEvent(g_event);
    }
    const bool keyboard = request == CTRL_C_EVENT || request == CTRL_BREAK_EVENT;
    if (!keyboard) ::Sleep(INFINITE);
    return TRUE;
}

}  // namespace

WinStopRequests::WinStopRequests() : m_event(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (!m_event) {
        throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(),
                                "CreateEvent");
    }
    {
        const std::lock_guard lock(g_eventLock);
        g_event = m_event.get();
    }
    // A process started in a group of its own ignores Ctrl+C until it says
    // otherwise.
    ::SetConsoleCtrlHandler(nullptr, FALSE);
    ::SetConsoleCtrlHandler(NoteStopRequest, TRUE);
}

WinStopRequests::~WinStopRequests() {
    ::SetConsoleCtrlHandler(NoteStopRequest, FALSE);
    const std::lock_guard lock(g_eventLock);
    g_event = nullptr;
}

}  // namespace orlenda::platform
