#pragma once

#include <stdexcept>
#include <string>

namespace orlenda::iecapt {

// One exit status for each way a capture can end, so a caller can tell a page
// that would not load from a browser that would not start.
enum class ExitCode : int {
    Written = 0,
    Unexpected = 1,
    BadArguments = 2,
    BrowserFailed = 3,
    PageNotLoaded = 4,
    TimedOut = 5,
    OutputNotWritten = 6,
    PictureTooLarge = 7,
};

// A capture that cannot go on: carries the exit status and the one-line message.
class CaptureFailure : public std::runtime_error {
public:
    CaptureFailure(ExitCode code, const std::string& message)
        : std::runtime_error(message), m_code(code) {}

    ExitCode code() const { return m_code; }

private:
    ExitCode m_code;
};

// SIGINT or SIGTERM arrived: the capture stops, cleans up and ends by that signal.
class CaptureInterrupted : public std::runtime_error {
public:
    CaptureInterrupted() : std::runtime_error("interrupted") {}
};

}  // namespace orlenda::iecapt
