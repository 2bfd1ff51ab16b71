#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "convert/capture_outcome.h"
#include "convert/output_path.h"
#include "form/form1.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/processes.h"

namespace orlenda {

inline constexpr int kPollIntervalMilliseconds = 100;
// The wait shows its count from this poll on, about five seconds in ...
inline constexpr std::int64_t kFirstCountedPoll = 50;
// ... and creeps the bar forward every this many polls after that.
inline constexpr std::int64_t kPollsPerCreep = 150;
// The capture tool gives a page up after 60 s and then ends within seconds:
// once this many polls have passed without a look at it, it has ended.
inline constexpr std::int64_t kUnwatchedPollLimit = 750;
// Added to the error number of a start that failed: always negative.
inline constexpr std::int32_t kStartFailureBase = -2147221504;
inline constexpr double kIndicatorMaximum = 100;

// What a wait needs of the platform.
struct ToolWaitServices {
    platform::Processes& processes;
    platform::EventPump& events;
    platform::Sleeper& sleeper;
};

// Modes below 0 or above 6, and no mode at all, mean 6.
int NormalizedWindowMode(std::optional<int> windowMode);

// Nearest whole number, halves to the even neighbour. Throws
// std::overflow_error when the value does not fit.
std::int32_t RoundHalfToEven(double value);

// The indicator's text after the given number of counted polls.
std::string WaitingText(const std::string& baseText, std::int64_t countedPolls);

// The indicator's value at the given creep (0 at the first): moves from the
// base value by a tenth of one row's share per creep, never past one row's
// share less one step. Can exceed the indicator's maximum on the last row.
std::int32_t CreepValue(std::int64_t creep, std::int32_t baseValue, std::int32_t rowCount);

// Starts the command line and waits for the process to end, polling it every
// 100 ms while the window keeps serving its events. A present indicator shows
// the wait going on. Returns how the process ended and what it said on its
// standard error (kept in a file, in the spare folder when the temporary
// folder takes none), or why that was lost; or kStartFailureBase plus the
// error number, and why, when the command cannot be started. A look at the process that fails is
// tried again at the next poll; when kUnwatchedPollLimit polls pass without one, it returns why it
// could not watch the process, never an exit code the process did not give. Failures after the
// start reach the caller.
ToolEnd RunToolAndWait(const ToolWaitServices& services, const std::string& commandLine,
                       std::optional<int> windowMode, platform::ProgressIndicator* indicator,
                       const std::string& baseText, std::int32_t baseValue, std::int32_t rowCount,
                       const std::string& spareFolder = {});

// Has the capture tool next to the program write the page at the address to
// the output path, with the progress bar as the wait's indicator; returns
// when the tool has ended, with whether the image was saved and why not. An
// output path that has a problem, or a command line that cannot carry the
// tool or the address, starts nothing and is the reason the row was not saved.
CaptureOutcome CaptureSite(Form1& form, const std::string& address, const OutputPathChoice& output);

}  // namespace orlenda
