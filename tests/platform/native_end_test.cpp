#include "platform/qt/native_end.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

#ifdef _WIN32
#include <windows.h>
#else
#include <xcb/xcb.h>
#endif

namespace orlenda::platform {
namespace {

#ifdef _WIN32
// Only a session that really ends ends the program; a query may be refused.
TEST(EndsWithoutCloseRequest, IsTheSessionsEnd) {
    const std::tuple<UINT, WPARAM, bool> messages[] = {
        {WM_ENDSESSION, TRUE, true},
        {WM_ENDSESSION, FALSE, false},
        {WM_QUERYENDSESSION, 0, false},
        {WM_DESTROY, 0, false},
    };
    for (const auto& [message, wParam, ends] : messages) {
        MSG msg{};
        msg.message = message;
        msg.wParam = wParam;
        EXPECT_EQ(EndsWithoutCloseRequest("windows_generic_MSG", &msg, 0), ends) << message;
    }
}
#else
// The window's own destruction, also as another client sends it; never
// another window's, nor another event.
TEST(EndsWithoutCloseRequest, IsTheWindowDestroyedUnderTheProgram) {
    constexpr xcb_window_t kWindow = 0x2a00007;
    const std::tuple<std::uint8_t, xcb_window_t, bool> events[] = {
        {XCB_DESTROY_NOTIFY, kWindow, true},
        {XCB_DESTROY_NOTIFY | 0x80, kWindow, true},
        {XCB_DESTROY_NOTIFY, kWindow + 1, false},
        {XCB_UNMAP_NOTIFY, kWindow, false},
    };
    for (const auto& [type, window, ends] : events) {
        xcb_destroy_notify_event_t event{};
        event.response_type = type;
        event.event = window;
        event.window = window;
        EXPECT_EQ(EndsWithoutCloseRequest("xcb_generic_event_t", &event, kWindow), ends)
            << int{type} << " " << window;
    }
    EXPECT_FALSE(EndsWithoutCloseRequest("windows_generic_MSG", "", kWindow));
}
#endif

}  // namespace
}  // namespace orlenda::platform
