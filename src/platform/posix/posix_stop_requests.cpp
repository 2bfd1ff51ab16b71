#include "platform/posix/posix_stop_requests.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <system_error>

namespace orlenda::platform {
namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGHUP, SIGINT};

volatile std::sig_atomic_t g_writeEnd = -1;

// All that is safe in a signal handler: a write to the pipe, of the signal's
// number. A full pipe already holds a request.
void NoteStopRequest(int signal) {
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t ignored = ::write(g_writeEnd, &byte, 1);
    errno = savedErrno;
}

bool IsIgnored(int signal) {
    struct sigaction current {};
    return ::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

void SetHandler(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signal, &action, nullptr);
}

}  // namespace

PosixStopRequests::PosixStopRequests() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe2");
    }
    m_readEnd = ends[0];
    g_writeEnd = ends[1];
    for (const int signal : kStopSignals) {
        if (!IsIgnored(signal)) SetHandler(signal, NoteStopRequest);
    }
}

int PosixStopRequests::takeRequest() {
    unsigned char first = 0;
    unsigned char later = 0;
    if (::read(m_readEnd, &first, 1) != 1) return 0;
    while (::read(m_readEnd, &later, 1) == 1) {
    }
    return first;
}

PosixStopRequests::~PosixStopRequests() {
    for (const int signal : kStopSignals) {
        if (!IsIgnored(signal)) SetHandler(signal, SIG_DFL);
    }
    ::close(g_writeEnd);
    g_writeEnd = -1;
    ::close(m_readEnd);
}

}  // namespace orlenda::platform
