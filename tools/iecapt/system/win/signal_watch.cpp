#include "system/signal_watch.h"

#include <windows.h>

#include <atomic>
#include <csignal>
#include <mutex>
#include <system_error>

namespace orlenda::iecapt {
namespace {

std::atomic<int> g_caughtSignal{0};
// The handler runs on a thread of its own: the lock keeps it from setting
// the event while, or after, the watch closes it.
std::mutex g_interruptLock;
HANDLE g_interrupt = nullptr;

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI noteControlEvent(DWORD event) {
    const bool keyboard = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    int none = 0;
    g_caughtSignal.compare_exchange_strong(none, keyboard ? SIGINT : SIGTERM);
    {
        const std::lock_guard lock(g_interruptLock);
        if (g_interrupt != nullptr) ::SetEvent(g_interrupt);
    }
    // After a closing console, a log-off or a shut-down the system ends the
    // tool as soon as this returns: it returns never, and the tool ends once
    // it has stopped the browser and removed its folder (or when the system
    // stops waiting, a few seconds later; the job ends the browser then).
    if (!keyboard) ::Sleep(INFINITE);
    return TRUE;
}

}  // namespace

SignalWatch::SignalWatch() : m_interrupt(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (m_interrupt == nullptr) {
        throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(),
                                "CreateEvent");
    }
    {
        const std::lock_guard lock(g_interruptLock);
        g_interrupt = m_interrupt;
    }
    // A process started in a group of its own ignores Ctrl+C until it says
    // otherwise; the tool always wants it, to clean up after itself.
    ::SetConsoleCtrlHandler(nullptr, FALSE);
    ::SetConsoleCtrlHandler(noteControlEvent, TRUE);
}

SignalWatch::~SignalWatch() {
    ::SetConsoleCtrlHandler(noteControlEvent, FALSE);
    {
        const std::lock_guard lock(g_interruptLock);
        g_interrupt = nullptr;
    }
    ::CloseHandle(m_interrupt);
}

int SignalWatch::caughtSignal() const { return g_caughtSignal; }

std::string_view stopHelp() {
    return "On Ctrl+C or Ctrl+Break, or when its console closes, the browser is stopped,\n"
           "nothing is written, and the tool ends with exit status 0xC000013A\n"
           "(STATUS_CONTROL_C_EXIT), as a console program ended by Ctrl+C does.\n";
}

}  // namespace orlenda::iecapt
