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

// The longest line of the tool's standard error that is kept: a longer one
// keeps half of this from its beginning and half from its end, which is all
// a message shows of it, so memory stays bounded whatever the tool writes.
inline constexpr std::size_t kLongestToolLineBytes = 4096;
// The longest line of the tool's that a message shows; longer ones lose their middle.
inline constexpr std::size_t kShownTextBytes = 160;
// The most warnings a row keeps; a tool gone astray may write many.
inline constexpr std::size_t kMostWarningsPerRow = 4;

// What the tool said on its standard error, ready for a message: nothing
// left that breaks or turns a line (controls and line separators as blanks,
// format characters as escapes), long lines shortened.
struct ToolWords {
    // The last line that holds more than blanks, without the tool's own
    // "iecapt: error: " (or "iecapt: ") in front.
    std::string lastLine{};
    // That line is the tool's own reason for a failure, an "iecapt: error: ".
    bool lastLineIsReason = false;
    // Its "iecapt: warning: " lines, wherever they stand, in order, each
    // once, at most kMostWarningsPerRow.
    std::vector<std::string> warnings{};

    bool operator==(const ToolWords&) const = default;
};

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
    // What it said on its standard error ...
    ToolWords words{};
    // ... or why that could not be kept or read; empty when it could.
    std::string wordsLost{};
};

// Reads the tool's standard error line by line, in pieces of any size, and
// keeps what a message needs of it: the last line that holds more than
// blanks and the warnings. Each line is cut to kLongestToolLineBytes.
class ToolWordsReader {
public:
    void read(std::string_view bytes);
    // What the tool said, once all of it has been read.
    ToolWords words();

private:
    void append(std::string_view part);
    void endLine();

    std::string m_head;  // the line's first kLongestToolLineBytes / 2 ...
    std::string m_tail;  // ... and at most as many of its last
    std::string m_lastLine;
    ToolWords m_words;
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
    // A saved row's picture, and the file it replaced, by their stamps: a
    // later row whose file holds the picture saves over it.
    std::optional<platform::FileStamp> picture{};
    std::optional<platform::FileStamp> replaced{};

    bool operator==(const CaptureOutcome&) const = default;
};

// The text with its middle replaced by "…" when it is longer than maxBytes;
// never cuts a UTF-8 character.
std::string ShortenedText(std::string_view text, std::size_t maxBytes = kShownTextBytes);

// Picks the reason and the warnings out of the tool's whole standard error.
ToolWords ReadToolWords(std::string_view errorOutput);

// What the tool's exit code tells the user, for a code other than 0.
std::string ExitCodeReason(std::int32_t exitCode);

// Why a tool that was killed or crashed saved nothing: "the capture tool was
// killed (SIGKILL)", "the capture tool crashed (access violation)".
std::string EndingReason(platform::ProcessEnding ending, const std::string& cause);

// Saved only when the tool exited with 0 and the output file exists, is not
// empty and is not the file that was there before the capture (the tool
// replaces a file, so a new image always has a new stamp); with the tool's
// warnings and both stamps. Not saved, the reason is the tool's own when it
// gave one, else what its exit code, signal or crash tells. A tool killed or
// crashed saved nothing, whatever it left. When what the tool said was lost,
// a saved row says so as its warning, and a row not saved in its reason.
CaptureOutcome JudgeCapture(const ToolEnd& end, const std::string& toolPath,
                            const std::optional<platform::FileStamp>& before,
                            const std::optional<platform::FileStamp>& after);

}  // namespace orlenda
