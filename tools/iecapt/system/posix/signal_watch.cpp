#include "system/signal_watch.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <system_error>

namespace orlenda::iecapt {
namespace {

volatile std::sig_atomic_t g_caughtSignal = 0;
volatile std::sig_atomic_t g_writeFd = -1;

void noteSignal(int signal) {
    const int savedErrno = errno;
    if (g_caughtSignal == 0) g_caughtSignal = signal;
    const char byte = 1;
    [[maybe_unused]] const auto ignored = ::write(g_writeFd, &byte, 1);
    errno = savedErrno;
}

}  // namespace

SignalWatch::SignalWatch() : m_interrupt(-1) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe2");
    }
    m_interrupt = fds[0];
    g_writeFd = fds[1];

    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    action.sa_handler = SIG_IGN;
    ::sigaction(SIGHUP, &action, nullptr);
    ::sigaction(SIGPIPE, &action, nullptr);
}

SignalWatch::~SignalWatch() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::close(m_interrupt);
    ::close(g_writeFd);
    g_writeFd = -1;
}

int SignalWatch::caughtSignal() const { return g_caughtSignal; }

std::string_view stopHelp() {
    return "On SIGINT or SIGTERM the capture's browser is stopped (or its context in\n"
           "the host's browser disposed of), nothing is written, and the tool ends by\n"
           "that same signal.\n";
}

}  // namespace orlenda::iecapt
