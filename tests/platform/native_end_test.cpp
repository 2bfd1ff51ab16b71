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
// Only a session that really ends ends the program.
TEST(EndsWithoutCloseRequest, IsTheSessionsEnd) {
    for (const auto& [message, wParam, ends] : {std::tuple{WM_ENDSESSION, TRUE, true},
                                                {WM_ENDSESSION, FALSE, false},
                                                {WM_QUERYENDSESSION, TRUE, false}}) {
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
    for (const auto& [type, window, ends] : {std::tuple{XCB_DESTROY_NOTIFY, kWindow, true},
                                             {XCB_DESTROY_NOTIFY | 0x80, kWindow, true},
                                             {XCB_DESTROY_NOTIFY, kWindow + 1, false},
                                             {XCB_UNMAP_NOTIFY, kWindow, false}}) {
        xcb_destroy_notify_event_t event{};
        event.response_type = static_cast<std::uint8_t>(type);
        event.window = window;
        EXPECT_EQ(EndsWithoutCloseRequest("xcb_generic_event_t", &event, kWindow), ends) << type;
    }
}
#endif

}  // namespace
}  // namespace orlenda::platform
