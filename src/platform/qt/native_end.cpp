#include "platform/qt/native_end.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <xcb/xcb.h>
#endif

namespace orlenda::platform {

bool EndsWithoutCloseRequest(const QByteArray& eventType, const void* message,
                             [[maybe_unused]] WId window) {
#ifdef _WIN32
    if (eventType != "windows_generic_MSG") return false;
    const auto* msg = static_cast<const MSG*>(message);
    return msg->message == WM_ENDSESSION && msg->wParam != FALSE;
#else
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    // The high bit marks an event another client sent: it counts the same.
    if ((event->response_type & ~0x80) != XCB_DESTROY_NOTIFY) return false;
    return static_cast<const xcb_destroy_notify_event_t*>(message)->window == window;
#endif
}

}  // namespace orlenda::platform
