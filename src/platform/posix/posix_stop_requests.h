#pragma once

namespace orlenda::platform {

// Turns the signals that ask the program to end, SIGTERM (a log-out, a
// shut-down, kill), SIGHUP (its terminal gone) and SIGINT (Ctrl+C), into a
// descriptor that the window's thread watches: the handler only writes a
// byte into a pipe, and the program ends in order from its event loop. A
// signal ignored when the program started (nohup) stays ignored. One per
// process; the signals' own actions come back when it goes.
class PosixStopRequests {
public:
    // Throws std::system_error when no pipe can be made.
    PosixStopRequests();
    ~PosixStopRequests();
    PosixStopRequests(const PosixStopRequests&) = delete;
    PosixStopRequests& operator=(const PosixStopRequests&) = delete;

    // Readable once a request has arrived.
    int descriptor() const { return m_readEnd; }
    // The signal of the first request that arrived (0 for none), and
    // every request taken.
    int takeRequest();

private:
    int m_readEnd = -1;
};

}  // namespace orlenda::platform
