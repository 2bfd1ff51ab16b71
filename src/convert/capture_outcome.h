#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace orlenda {

// How much of the tool's standard error is read back: its reason is its last
// line, and the tool writes only a few.
inline constexpr std::size_t kErrorTailBytes = 4096;
// The longest line of the tool's that a message shows; longer ones lose their middle.
inline constexpr std::size_t kShownTextBytes = 160;

// How one run of the tool ended.
struct ToolEnd {
    // The exit code, or kStartFailureBase plus the error number when the
    // command could not be started.
    std::int32_t exitCode = 0;
    // Why it could not be started, in the system's words; empty when it was.
    std::string startFailure{};
    // Why it could not be watched to its end; empty when it was.
    std::string watchFailure{};
    // The last line with more than blanks that it wrote to its standard error.
    std::string lastErrorLine{};
};

// How the capture of one row ended.
struct CaptureOutcome {
    bool saved = false;
    // Why it was not saved, in the user's words; empty when it was.
    std::string reason{};
    // The capture tool could not be started at all.
    bool toolNotStarted = false;

    bool operator==(const CaptureOutcome&) const = default;
};

// The text with its middle replaced by "…" when it is longer than maxBytes;
// never cuts a UTF-8 character.
std::string ShortenedText(std::string_view text, std::size_t maxBytes = kShownTextBytes);

// The last line of the tool's standard error that holds more than blanks,
// without the tool's own "iecapt: error: " (or "iecapt: ") in front, with
// control characters as blanks, shortened for a message.
std::string LastErrorLine(std::string_view errorOutput);

// What the tool's exit code tells the user, for a code other than 0.
std::string ExitCodeReason(std::int32_t exitCode);

// Saved only when the tool exited with 0 and the output file exists, is not
// empty and is not the file that was there before the capture (the tool
// replaces a file, so a new image always has a new stamp).
CaptureOutcome JudgeCapture(const ToolEnd& end, const std::string& toolPath,
                            const std::optional<platform::FileStamp>& before,
                            const std::optional<platform::FileStamp>& after);

}  // namespace orlenda
