#pragma once

#include <stdexcept>
#include <string>

#include "shared/capture/capture_exit.h"

namespace orlenda::iecapt {

// One exit status for each way a capture can end, so a caller can tell a page
// that would not load from a browser that would not start.
using ExitCode = CaptureExit;

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
