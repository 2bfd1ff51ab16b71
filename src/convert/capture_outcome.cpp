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

std::string_view WithoutToolPrefix(std::string_view line) {
    for (const std::string_view prefix : {"iecapt: error: ", "iecapt: "}) {
        if (line.starts_with(prefix)) return line.substr(prefix.size());
    }
    return line;
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

std::string LastErrorLine(std::string_view errorOutput) {
    std::string_view last;
    for (std::size_t start = 0; start <= errorOutput.size();) {
        const std::size_t end = std::min(errorOutput.find('\n', start), errorOutput.size());
        const std::string_view line = errorOutput.substr(start, end - start);
        if (HoldsMoreThanBlanks(line)) last = line;
        start = end + 1;
    }
    std::string line(WithoutToolPrefix(last));
    std::replace_if(
        line.begin(), line.end(),
        [](char byte) { return static_cast<unsigned char>(byte) < 0x20 || byte == 0x7F; }, ' ');
    const std::size_t first = line.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return ShortenedText(line.substr(first, line.find_last_not_of(' ') + 1 - first));
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
    std::string reason;
    if (end.exitCode != 0) {
        reason = ExitCodeReason(end.exitCode);
    } else if (!after) {
        reason = "the capture tool ended without writing the image";
    } else if (after->size == 0) {
        reason = "the capture tool wrote an empty image";
    } else if (after == before) {
        reason = "no new image was written (the file there is from before)";
    } else {
        return {.saved = true};
    }
    if (!end.lastErrorLine.empty()) reason += " (" + end.lastErrorLine + ")";
    return {.saved = false, .reason = reason};
}

}  // namespace orlenda
