#include "convert/capture_outcome.h"

#include <algorithm>

#include "shared/capture/capture_exit.h"
#include "shared/text/visible_line.h"

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

// One line of the tool's, ready for a message: without the prefix, nothing
// in it that breaks or turns the message's line, trimmed, shortened.
std::string Shown(std::string_view line, std::string_view prefix) {
    const std::string shown =
        text::visibleLine(line.starts_with(prefix) ? line.substr(prefix.size()) : line);
    const std::size_t first = shown.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return ShortenedText(shown.substr(first, shown.find_last_not_of(' ') + 1 - first));
}

// The tool's exit codes other than 0 that iecapt --help lists: its last
// "error:" line then says why in its own words.
bool IsDocumentedFailure(std::int32_t exitCode) {
    return exitCode != 0 && CaptureExitMeaningOf(exitCode) != nullptr;
}

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

void ToolWordsReader::read(std::string_view bytes) {
    for (std::size_t end = bytes.find('\n'); end != std::string_view::npos;
         end = bytes.find('\n')) {
        append(bytes.substr(0, end));
        endLine();
        bytes.remove_prefix(end + 1);
    }
    append(bytes);
}

void ToolWordsReader::append(std::string_view part) {
    constexpr std::size_t kHalf = kLongestToolLineBytes / 2;
    const std::size_t toHead = std::min(part.size(), kHalf - m_head.size());
    m_head.append(part.substr(0, toHead));
    part.remove_prefix(toHead);
    // Only the last half-line's worth of what follows can still be in the tail.
    m_tail.append(part.substr(part.size() - std::min(part.size(), kHalf)));
    if (m_tail.size() > kHalf) m_tail.erase(0, m_tail.size() - kHalf);
}

void ToolWordsReader::endLine() {
    // A line cut in the middle still shows as long: a message shows less of
    // it than is kept, and puts "…" where the rest was.
    const std::string line = m_head + m_tail;
    m_head.clear();
    m_tail.clear();
    if (!HoldsMoreThanBlanks(line)) return;
    m_lastLine = line;
    if (!line.starts_with(kToolWarning)) return;
    std::string warning = Shown(line, kToolWarning);
    std::vector<std::string>& warnings = m_words.warnings;
    if (warnings.size() < kMostWarningsPerRow && !warning.empty() &&
        std::find(warnings.begin(), warnings.end(), warning) == warnings.end()) {
        warnings.push_back(std::move(warning));
    }
}

ToolWords ToolWordsReader::words() {
    if (!m_head.empty()) endLine();  // the last line needs no line end
    ToolWords words = m_words;
    words.lastLineIsReason = std::string_view(m_lastLine).starts_with(kToolError);
    words.lastLine = Shown(m_lastLine, words.lastLineIsReason ? kToolError : kToolPrefix);
    return words;
}

ToolWords ReadToolWords(std::string_view errorOutput) {
    ToolWordsReader reader;
    reader.read(errorOutput);
    return reader.words();
}

std::string ExitCodeReason(std::int32_t exitCode) {
    if (IsDocumentedFailure(exitCode)) return std::string(CaptureExitMeaningOf(exitCode)->reason);
    return "the capture tool ended with code " + std::to_string(exitCode);
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
    ToolWords words = end.words;
    if (!end.wordsLost.empty()) {
        // Never as if it had said nothing: a warning may be among what was lost.
        words = {.lastLine = "its messages were lost: " + end.wordsLost,
                 .warnings = {"the capture tool's messages were lost, so any warning of it is "
                              "unknown: " +
                              end.wordsLost}};
    }
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
        return {.saved = true,
                .warnings = std::move(words.warnings),
                .picture = after,
                .replaced = before};
    }
    return {.saved = false, .reason = reason};
}

}  // namespace orlenda
