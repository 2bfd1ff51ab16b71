// Asks a top-level window, found by its title, to close, as a click on its
// close button does: the system menu's Close command.
//   close_window.exe TITLE
// Exit status 0 when asked, 2 when no visible window has that title yet.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t* argv[]) {
    if (argc != 2) {
        std::fputs("usage: close_window TITLE\n", stderr);
        return 1;
    }
    const HWND window = ::FindWindowW(nullptr, argv[1]);
    if (window == nullptr || !::IsWindowVisible(window)) return 2;
    return ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : 1;
}
