#pragma once

#include <string_view>

#include "common/native_handle.h"

namespace orlenda::iecapt {

// Turns a request to stop into something every wait watches, so a capture
// stops at its next step and cleans up after itself. On POSIX systems SIGINT
// and SIGTERM stop it; SIGHUP is ignored, since the capture goes on when the
// program that started it closes, and SIGPIPE too, since a browser that is
// gone is seen as EPIPE. On Windows Ctrl+C and Ctrl+Break stop it as SIGINT
// does, and a console that closes, a log-off or a shut-down as SIGTERM does.
// One per process.
class SignalWatch {
public:
    SignalWatch();
    ~SignalWatch();
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

    // Set once a request has arrived, and from then on: a readable descriptor
    // on POSIX systems, a signalled event on Windows.
    NativeHandle descriptor() const { return m_interrupt; }
    // SIGINT or SIGTERM, as the request that arrived counts; 0 before one.
    int caughtSignal() const;

private:
    NativeHandle m_interrupt;
};

// What --help says about stopping the tool.
std::string_view stopHelp();

}  // namespace orlenda::iecapt
