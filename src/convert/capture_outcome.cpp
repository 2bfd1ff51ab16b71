#include "convert/capture_outcome.h"

#include <algorithm>

namespace orlenda {
namespace {

constexpr std::string_view kEllipsis = "\u2026";
constexpr std::string_view kBlanks = " \t\r\f\v";

bool IsContinuationByte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

bool HoldsMoreThanBlanks(std::string_view line) {
    return line.find_first_not_of(kBlanks) != std::string_view::npos;
}

constexpr std::string_view kToolError = "iecapt: error: ";
constexpr std::string_view kToolWarning = "iecapt: warning: ";
constexpr std::string_view kToolPrefix = "iecapt: ";

// One line of the tool's, ready for a message: without the prefix, control
// characters as blanks, trimmed, shortened.
std::string Shown(std::string_view line, std::string_view prefix) {
    std::string shown(line.starts_with(prefix) ? line.substr(prefix.size()) : line);
    std::replace_if(
        shown.begin(), shown.end(),
        [](char byte) { return static_cast<unsigned char>(byte) < 0x20 || byte == 0x7F; }, ' ');
    const std::size_t first = shown.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return ShortenedText(shown.substr(first, shown.find_last_not_of(' ') + 1 - first));
}

// The tool's documented exit codes other than 0: iecapt --help lists them.
bool IsDocumentedFailure(std::int32_t exitCode) { return exitCode >= 1 && exitCode <= 6; }

std::string WithLine(std::string reason, const std::string& line) {
    return line.empty() ? reason : reason + " (" + line + ")";
}

}  // namespace

std::string ShortenedText(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return std::string(text);
    // Two thirds from the front, the rest from the end: an address's host and
    // an error's code both stay in sight.
    const std::size_t room = maxBytes > kEllipsis.size() ? maxBytes - kEllipsis.size() : 0;
    std::size_t headEnd = room * 2 / 3;
    while (headEnd > 0 && IsContinuationByte(text[headEnd])) --headEnd;
    std::size_t tailStart = text.size() - (room - room * 2 / 3);
    while (tailStart < text.size() && IsContinuationByte(text[tailStart])) ++tailStart;
    return std::string(text.substr(0, headEnd)) + std::string(kEllipsis) +
           std::string(text.substr(tailStart));
}

ToolWords ReadToolWords(std::string_view errorOutput) {
    ToolWords words;
    std::string_view last;
    for (std::size_t start = 0; start <= errorOutput.size();) {
        const std::size_t end = std::min(errorOutput.find('\n', start), errorOutput.size());
        const std::string_view line = errorOutput.substr(start, end - start);
        start = end + 1;
        if (!HoldsMoreThanBlanks(line)) continue;
        last = line;
        if (!line.starts_with(kToolWarning)) continue;
        std::string warning = Shown(line, kToolWarning);
        if (words.warnings.size() < kMostWarningsPerRow && !warning.empty() &&
            std::find(words.warnings.begin(), words.warnings.end(), warning) ==
                words.warnings.end()) {
            words.warnings.push_back(std::move(warning));
        }
    }
    words.lastLineIsReason = last.starts_with(kToolError);
    words.lastLine = Shown(last, words.lastLineIsReason ? kToolError : kToolPrefix);
    return words;
}

std::string ExitCodeReason(std::int32_t exitCode) {
    // The capture tool's exit codes, as iecapt --help lists them.
    switch (exitCode) {
        case 1:
            return "the capture tool failed unexpectedly";
        case 2:
            return "the address is not a web page address";
        case 3:
            return "the web browser could not be started or stopped working";
        case 4:
            return "the page could not be loaded";
        case 5:
            return "the capture took too long (timed out)";
        case 6:
            return "the image could not be written";
        default:
            return "the capture tool ended with code " + std::to_string(exitCode);
    }
}

std::string EndingReason(platform::ProcessEnding ending, const std::string& cause) {
    const std::string what = ending == platform::ProcessEnding::Crashed
                                 ? "the capture tool crashed"
                                 : "the capture tool was killed";
    return WithLine(what, cause);
}

CaptureOutcome JudgeCapture(const ToolEnd& end, const std::string& toolPath,
                            const std::optional<platform::FileStamp>& before,
                            const std::optional<platform::FileStamp>& after) {
    if (!end.startFailure.empty()) {
        return {.saved = false,
                .reason = "the capture tool could not be started: " + end.startFailure + " (" +
                          toolPath + ")",
                .toolNotStarted = true};
    }
    // Whatever the file holds, the tool may not have finished it.
    if (!end.watchFailure.empty()) {
        return {.saved = false, .reason = "could not watch the capture tool: " + end.watchFailure};
    }
    ToolWords words = ReadToolWords(end.errorOutput);
    std::string reason;
    if (end.ending != platform::ProcessEnding::Exited) {
        // Whatever it was writing when it died is no reason.
        reason = EndingReason(end.ending, end.cause);
    } else if (IsDocumentedFailure(end.exitCode) && words.lastLineIsReason) {
        reason = words.lastLine;
    } else if (end.exitCode != 0) {
        reason = WithLine(ExitCodeReason(end.exitCode), words.lastLine);
    } else if (!after) {
        reason = WithLine("the capture tool ended without writing the image", words.lastLine);
    } else if (after->size == 0) {
        reason = WithLine("the capture tool wrote an empty image", words.lastLine);
    } else if (after == before) {
        reason =
            WithLine("no new image was written (the file there is from before)", words.lastLine);
    } else {
        return {.saved = true, .warnings = std::move(words.warnings)};
    }
    return {.saved = false, .reason = reason};
}

}  // namespace orlenda
