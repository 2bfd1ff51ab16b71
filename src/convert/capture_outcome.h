#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/processes.h"

namespace orlenda {

// How much of the tool's standard error is read back: its reason is its last
// line, its warnings are lines of their own, and the tool writes only a few.
inline constexpr std::size_t kErrorTailBytes = 4096;
// The longest line of the tool's that a message shows; longer ones lose their middle.
inline constexpr std::size_t kShownTextBytes = 160;
// The most warnings a row keeps; a tool gone astray may write many.
inline constexpr std::size_t kMostWarningsPerRow = 4;

// How one run of the tool ended.
struct ToolEnd {
    // The exit code, or kStartFailureBase plus the error number when the
    // command could not be started.
    std::int32_t exitCode = 0;
    // Whether it was killed or crashed, and by what, rather than exited.
    platform::ProcessEnding ending = platform::ProcessEnding::Exited;
    std::string cause{};
    // Why it could not be started, in the system's words; empty when it was.
    std::string startFailure{};
    // Why it could not be watched to its end; empty when it was.
    std::string watchFailure{};
    // The last bytes it wrote to its standard error.
    std::string errorOutput{};
};

// What the tool said on its standard error, ready for a message: control
// characters as blanks, long lines shortened.
struct ToolWords {
    // The last line that holds more than blanks, without the tool's own
    // "iecapt: error: " (or "iecapt: ") in front.
    std::string lastLine{};
    // That line is the tool's own reason for a failure, an "iecapt: error: ".
    bool lastLineIsReason = false;
    // Its "iecapt: warning: " lines, in order, each once, at most kMostWarningsPerRow.
    std::vector<std::string> warnings{};

    bool operator==(const ToolWords&) const = default;
};

// How the capture of one row ended.
struct CaptureOutcome {
    bool saved = false;
    // Why it was not saved, in the user's words; empty when it was.
    std::string reason{};
    // What may be wrong with a saved picture, in the tool's words: an error
    // status, a page cut at the side or at the bottom, a page never settled.
    std::vector<std::string> warnings{};
    // The capture tool could not be started at all.
    bool toolNotStarted = false;

    bool operator==(const CaptureOutcome&) const = default;
};

// The text with its middle replaced by "…" when it is longer than maxBytes;
// never cuts a UTF-8 character.
std::string ShortenedText(std::string_view text, std::size_t maxBytes = kShownTextBytes);

// Picks the reason and the warnings out of the tail of the tool's standard error.
ToolWords ReadToolWords(std::string_view errorOutput);

// What the tool's exit code tells the user, for a code other than 0.
std::string ExitCodeReason(std::int32_t exitCode);

// Why a tool that was killed or crashed saved nothing: "the capture tool was
// killed (SIGKILL)", "the capture tool crashed (access violation)".
std::string EndingReason(platform::ProcessEnding ending, const std::string& cause);

// Saved only when the tool exited with 0 and the output file exists, is not
// empty and is not the file that was there before the capture (the tool
// replaces a file, so a new image always has a new stamp); with the tool's
// warnings. Not saved, the reason is the tool's own when it gave one, else
// what its exit code, signal or crash tells.
CaptureOutcome JudgeCapture(const ToolEnd& end, const std::string& toolPath,
                            const std::optional<platform::FileStamp>& before,
                            const std::optional<platform::FileStamp>& after);

}  // namespace orlenda
