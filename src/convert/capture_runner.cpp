#include "convert/capture_runner.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>

#include "convert/command_line.h"

namespace orlenda {
namespace {

// What one read of the tool's standard error takes.
constexpr std::size_t kErrorReadBytes = std::size_t{64} * 1024;

// The handle of the process being waited for. A wait that ends by a failure
// still closes it, so that no process is watched for ever.
class WatchedProcess {
public:
    WatchedProcess(platform::Processes& processes, platform::ProcessId id)
        : m_processes(processes), m_handle(processes.open(id)) {}

    // Why the last look at the process failed.
    std::string watchFailure() const {
        return m_handle == platform::kNoProcessHandle
                   ? "it could not be opened"
                   : "the system did not say whether it had ended";
    }
    ~WatchedProcess() {
        if (!m_open) return;
        try {
            m_processes.close(m_handle);
        } catch (...) {
            // The failure that ended the wait is the one to report.
        }
    }
    WatchedProcess(const WatchedProcess&) = delete;
    WatchedProcess& operator=(const WatchedProcess&) = delete;

    std::optional<platform::ProcessStatus> status() { return m_processes.status(m_handle); }
    // What the process said on its standard error, read to its end, into the
    // end; or why it could not be.
    void readWords(ToolEnd& end) {
        ToolWordsReader reader;
        std::array<char, kErrorReadBytes> buffer{};
        try {
            std::uint64_t offset = 0;
            while (const std::size_t got = m_processes.readErrorOutput(
                       m_handle, offset, buffer.data(), buffer.size())) {
                reader.read({buffer.data(), got});
                offset += got;
            }
            end.words = reader.words();
        } catch (const std::exception& failure) {
            end.wordsLost = failure.what();
        }
    }
    void close() {
        m_open = false;
        m_processes.close(m_handle);
    }

private:
    platform::Processes& m_processes;
    platform::ProcessHandle m_handle;
    bool m_open = true;
};

// The indicator of one wait and what it showed before the start.
struct WaitFeedback {
    platform::ProgressIndicator& indicator;
    const std::string& baseText;
    std::int32_t baseValue;
    std::int32_t rowCount;
};

void ShowCountedPoll(const WaitFeedback& feedback, platform::EventPump& events,
                     std::int64_t polls) {
    const std::int64_t counted = polls - kFirstCountedPoll;
    events.processEvents();
    feedback.indicator.setText(WaitingText(feedback.baseText, counted));
    if (counted % kPollsPerCreep == 0) {
        // The last row's creep runs past the end of the bar: show it full.
        const double creep =
            CreepValue(counted / kPollsPerCreep, feedback.baseValue, feedback.rowCount);
        feedback.indicator.setValue(std::min(creep, kIndicatorMaximum));
    }
    events.processEvents();
}

std::int32_t SaturatedInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

ToolEnd StartFailure(int errorNumber, const std::string& description) {
    return {.exitCode = std::min(SaturatedInt32(std::int64_t{kStartFailureBase} + errorNumber), -1),
            .startFailure = description.empty() ? "unknown failure" : description};
}

}  // namespace

int NormalizedWindowMode(std::optional<int> windowMode) {
    if (!windowMode || *windowMode < 0 || *windowMode > platform::kWindowMinimizedNoFocus) {
        return platform::kWindowMinimizedNoFocus;
    }
    return *windowMode;
}

std::int32_t RoundHalfToEven(double value) {
    // The default rounding mode sends halves to the even neighbour.
    const double rounded = std::nearbyint(value);
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
          rounded <= std::numeric_limits<std::int32_t>::max())) {
        throw std::overflow_error("Overflow");
    }
    return static_cast<std::int32_t>(rounded);
}

std::string WaitingText(const std::string& baseText, std::int64_t countedPolls) {
    return baseText + (baseText.empty() ? "" : ", ") + "Please wait.. " +
           std::to_string(countedPolls);
}

std::int32_t CreepValue(std::int64_t creep, std::int32_t baseValue, std::int32_t rowCount) {
    const double rowShare = 100.0 / rowCount;
    const std::int32_t step = RoundHalfToEven(rowShare / 10);
    const std::int32_t cap = RoundHalfToEven(rowShare + baseValue - step);
    const double candidate = baseValue + static_cast<double>(creep) * step;
    return candidate < cap ? static_cast<std::int32_t>(candidate) : cap;
}

ToolEnd RunToolAndWait(const ToolWaitServices& services, const std::string& commandLine,
                       std::optional<int> windowMode, platform::ProgressIndicator* indicator,
                       const std::string& baseText, std::int32_t baseValue, std::int32_t rowCount,
                       const std::string& spareFolder) {
    platform::ProcessId id = 0;
    try {
        id = services.processes.start(commandLine, NormalizedWindowMode(windowMode), spareFolder);
    } catch (const platform::ProcessStartError& failure) {
        return StartFailure(failure.errorNumber(), failure.what());
    } catch (const std::exception& failure) {
        return StartFailure(0, failure.what());  // no error number to tell
    } catch (...) {
        return StartFailure(0, "");
    }

    WatchedProcess process(services.processes, id);
    // A failed query keeps what the last one found: until one succeeds, a
    // running process. The next row never starts while this one may run.
    platform::ProcessStatus status{.running = true};
    std::int64_t polls = 0;
    std::int64_t unwatchedPolls = 0;
    // The status is read at the top of a poll and tested at its end, so one
    // more whole poll runs after the process has ended.
    do {
        if (const auto seen = process.status()) {
            status = *seen;
            unwatchedPolls = 0;
        } else {
            ++unwatchedPolls;
        }
        services.events.processEvents();
        services.sleeper.sleep(kPollIntervalMilliseconds);
        if (indicator) {
            services.events.processEvents();
            ++polls;
            if (polls >= kFirstCountedPoll) {
                ShowCountedPoll({*indicator, baseText, baseValue, rowCount}, services.events,
                                polls);
            }
            services.events.processEvents();
        }
        services.events.processEvents();
    } while (status.running && unwatchedPolls < kUnwatchedPollLimit);
    ToolEnd end{.exitCode = static_cast<std::int32_t>(status.exitCode),
                .ending = status.ending,
                .cause = status.cause,
                .watchFailure = status.running ? process.watchFailure() : std::string()};
    process.readWords(end);
    process.close();

    if (indicator) indicator->setText(baseText.empty() ? kProgressBarRestText : baseText);
    return end;
}

CaptureOutcome CaptureSite(Form1& form, const std::string& address,
                           const OutputPathChoice& output) {
    if (!output.problem.empty()) return {.reason = output.problem};
    const std::string& outputPath = output.path;
    const std::string toolPath = CaptureToolPath(form.files.programFolder());
    std::string commandLine;
    try {
        commandLine = BuildCaptureCommandLine(toolPath, address, outputPath);
    } catch (const CommandLineRefused& refusal) {
        // Nothing is started: not the tool with a cut address, never another program.
        return {.reason = refusal.what()};
    }
    const std::string baseText = form.ProgressBar1.text();
    const std::int32_t baseValue = RoundHalfToEven(form.ProgressBar1.value());
    const std::int32_t rowCount = SaturatedInt32(form.ListView1.rowCount());
    // A file left from an earlier run must not pass for this capture's image.
    const std::optional<platform::FileStamp> before = form.files.fileStamp(outputPath);
    const ToolEnd end = RunToolAndWait({form.processes, form.events, form.sleeper}, commandLine,
                                       platform::kWindowHidden, &form.ProgressBar1, baseText,
                                       baseValue, rowCount, output.folder);
    return JudgeCapture(end, toolPath, before, form.files.fileStamp(outputPath));
}

}  // namespace orlenda
