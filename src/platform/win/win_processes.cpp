#include "platform/win/win_processes.h"

#include <windows.h>

#include "platform/win/win_text.h"

namespace orlenda::platform {
namespace {

// The window modes as ShowWindow's commands; 5 is the plain "show".
WORD ShowCommandOf(int windowMode) {
    switch (windowMode) {
        case 0:
            return SW_HIDE;
        case 1:
            return SW_SHOWNORMAL;
        case 2:
            return SW_SHOWMINIMIZED;
        case 3:
            return SW_SHOWMAXIMIZED;
        case 4:
            return SW_SHOWNOACTIVATE;
        case 5:
            return SW_SHOW;
        default:
            return SW_SHOWMINNOACTIVE;
    }
}

HANDLE HandleOf(ProcessHandle handle) { return reinterpret_cast<HANDLE>(handle); }

[[noreturn]] void FailToStart(DWORD error, const std::string& commandLine) {
    throw ProcessStartError(static_cast<int>(error),
                            "Cannot start " + commandLine + ": " + SystemErrorText(error));
}

}  // namespace

WinProcesses::~WinProcesses() {
    for (const auto& [id, handle] : m_started) ::CloseHandle(handle);
}

ProcessId WinProcesses::start(const std::string& commandLine, int windowMode) {
    // A NUL would end the command line early and start something else.
    if (commandLine.find('\0') != std::string::npos) {
        FailToStart(ERROR_INVALID_PARAMETER, commandLine);
    }
    // CreateProcessW may write into the command line, so it gets a copy.
    std::wstring line = WideFromUtf8(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = ShowCommandOf(windowMode);
    const DWORD flags = windowMode == kWindowHidden ? CREATE_NO_WINDOW : 0;
    PROCESS_INFORMATION process{};
    // No handles are inherited, and the program is found by the path the
    // command line names, never on a search path when that path is absolute.
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                          &startup, &process)) {
        FailToStart(::GetLastError(), commandLine);
    }
    ::CloseHandle(process.hThread);
    m_started.emplace(process.dwProcessId, process.hProcess);
    return process.dwProcessId;
}

ProcessHandle WinProcesses::open(ProcessId id) {
    const HANDLE handle =
        ::OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    return reinterpret_cast<ProcessHandle>(handle);
}

std::optional<ProcessStatus> WinProcesses::status(ProcessHandle handle) {
    // The handle is signalled once the process has ended; its code alone
    // cannot tell, since a process may end with STILL_ACTIVE (259).
    switch (::WaitForSingleObject(HandleOf(handle), 0)) {
        case WAIT_TIMEOUT:
            return ProcessStatus{.running = true};
        case WAIT_OBJECT_0:
            break;
        default:
            return std::nullopt;
    }
    DWORD code = 0;
    if (!::GetExitCodeProcess(HandleOf(handle), &code)) return std::nullopt;
    return ProcessStatus{.exitCode = code};
}

void WinProcesses::close(ProcessHandle handle) {
    if (handle == 0) return;
    const auto started = m_started.find(::GetProcessId(HandleOf(handle)));
    if (started != m_started.end()) {
        ::CloseHandle(started->second);
        m_started.erase(started);
    }
    ::CloseHandle(HandleOf(handle));
}

}  // namespace orlenda::platform
