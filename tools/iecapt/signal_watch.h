#pragma once

namespace orlenda::iecapt {

// Turns SIGINT and SIGTERM into a descriptor that every wait polls, so a
// capture stops at its next step and cleans up after itself. SIGHUP is
// ignored, since the capture goes on when the program that started it
// closes, and SIGPIPE too, since a browser that is gone is seen as EPIPE.
// One per process.
class SignalWatch {
public:
    SignalWatch();
    ~SignalWatch();
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

    // Readable once a signal has arrived, and from then on.
    int descriptor() const { return m_readFd; }
    // The signal that arrived, or 0.
    int caughtSignal() const;

private:
    int m_readFd = -1;
};

}  // namespace orlenda::iecapt
