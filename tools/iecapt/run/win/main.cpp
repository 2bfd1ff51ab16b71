#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "run/capture_run.h"
#include "shared/win/win_text.h"

namespace {

// A console shows UTF-16 written as such; a file or pipe gets the UTF-8 the
// program that started the tool reads.
void writeOut(DWORD which, const std::string& text) {
    const HANDLE handle = ::GetStdHandle(which);
    if (text.empty() || handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(handle, &mode)) {
        const std::wstring wide = orlenda::wideFromUtf8(text);
        ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
        ::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
}

}  // namespace

// wmain: a char main would get its arguments in the ANSI code page, and
// every character of a path or address outside it as a "?".
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(orlenda::utf8FromWide(argv[i]));
    std::ostringstream out;
    std::ostringstream err;
    const int status = orlenda::iecapt::runTool(arguments, out, err);
    writeOut(STD_OUTPUT_HANDLE, out.str());
    writeOut(STD_ERROR_HANDLE, err.str());
    // Stopped by Ctrl+C or a closing console: end as the system's own
    // handler would have ended the tool.
    return status < 0 ? static_cast<int>(STATUS_CONTROL_C_EXIT) : status;
}
