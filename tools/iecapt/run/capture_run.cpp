#include "run/capture_run.h"

#include <algorithm>
#include <csignal>
#include <exception>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <vector>

#include "common/exit_code.h"
#include "common/message_text.h"
#include "common/timings.h"
#include "common/utf8_path.h"
#include "options/address.h"
#include "options/options.h"
#include "options/picture_budget.h"
#include "page/page_capture.h"
#include "picture/image_format.h"
#include "picture/picture_plan.h"
#include "protocol/devtools_session.h"
#include "run/help_text.h"
#include "shared/text/visible_line.h"
#include "system/atomic_file.h"
#include "system/available_memory.h"
#include "system/browser_process.h"
#include "system/capture_host.h"
#include "system/own_folder.h"
#include "system/pipe_channel.h"
#include "system/profile_folder.h"
#include "system/signal_watch.h"

namespace orlenda::iecapt {
namespace {

// Why the browser would not start, in its own words: its fatal error, else
// the last line it wrote that is not one of its log lines (when something
// else stands in for the browser, or cannot run it, that says why).
std::string lastWordsIn(const std::string& path) {
    std::ifstream log(pathFromUtf8(path));
    std::string line;
    std::string fatal;
    std::string last;
    while (std::getline(log, line)) {
        if (std::string text = fatalLogText(line); !text.empty()) {
            fatal = std::move(text);
        } else if (line.find_first_not_of(" \t\r") != std::string::npos &&
                   !isBrowserLogLine(line)) {
            last = line;
        }
    }
    constexpr std::size_t kLongestLastWords = 300;
    return oneLine(text::utf8Start(fatal.empty() ? last : fatal, kLongestLastWords));
}

// The consent-banner rules that ship beside the tool; empty, with a warning,
// when they are missing, so the capture goes on without them.
std::string consentRules(const CaptureOptions& options, std::vector<std::string>& warnings) {
    if (options.keepConsentBanners) return {};
    const std::string path = ownFolder() + "/" IECAPT_CONSENT_RULES;
    std::ifstream file(pathFromUtf8(path), std::ios::binary);
    std::string rules{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (rules.empty()) warnings.push_back(consentRulesMissingWarning(path));
    return rules;
}

// As strsignal() names the two that stop a capture, on every platform.
const char* signalName(int signal) { return signal == SIGTERM ? "Terminated" : "Interrupt"; }

// Today's way, and the way back whenever no host serves: a browser of the
// capture's own, ended with it.
CapturedPage captureInOwnBrowser(const std::string& browser, const std::string& url,
                                 const CaptureOptions& options, const std::string& rules,
                                 const SignalWatch& signals, Deadline deadline, Timings& timings) {
    adoptOrphanedDescendants();
    removeStaleProfileFolders(profileFolderBase());
    const ProfileFolder folder;
    BrowserProcess process = startBrowserIn(folder, browser);
    PipeChannel channel(process.toBrowser(), process.fromBrowser(), signals.descriptor());
    DevToolsSession session(channel, deadline);
    try {
        CapturedPage page = capturePage(session, url, options, rules, deadline, timings);
        timings.begin("shutdown");
        endBrowserIn(folder, process);
        return page;
    } catch (const CaptureFailure& failure) {
        // A browser held to too few open files fails saying nothing of it.
        if (const std::optional<long long> files = openFilesLimit();
            files && *files < kFewestBrowserFiles &&
            mayBeTheBrowsersPlight(failure.code(), failure.what())) {
            throw CaptureFailure(ExitCode::BrowserFailed, outOfFilesReason(*files));
        }
        // Only a browser that would not start has last words worth quoting;
        // later ones are about its insides.
        if (failure.code() != ExitCode::BrowserFailed || session.everAnswered()) throw;
        process.stop();
        const std::string reason = lastWordsIn(folder.browserLog());
        if (reason.empty()) throw;
        throw CaptureFailure(failure.code(), std::string(failure.what()) + " (" + reason + ")");
    }
}

// A capture through the host that failed as a browser in trouble fails is
// tried once more without it, while half the time is left.
bool worthTryingWithoutHost(const CaptureFailure& failure, const CaptureOptions& options,
                            Deadline deadline) {
    const auto left = deadline.at() - Deadline::Clock::now();
    return mayBeTheBrowsersPlight(failure.code(), failure.what()) &&
           left * 2 >= std::chrono::seconds(options.timeoutSeconds);
}

CapturedPage captureWithBrowser(const std::string& url, const CaptureOptions& options,
                                const SignalWatch& signals, Deadline deadline, Timings& timings,
                                std::vector<std::string>& warnings) {
    const BrowserLookup browser = lookForBrowser(options.browser);
    if (browser.path.empty()) throw CaptureFailure(ExitCode::BrowserFailed, browser.problem);
    const std::string rules = consentRules(options, warnings);
    if (options.useHost) {
        timings.begin("host");
        const HostRequest request = {IECAPT_VERSION, browser.path, options.hostIdleSeconds};
        if (const auto host = openHostChannel(request, signals.descriptor(), deadline)) {
            try {
                DevToolsSession session(*host, deadline);
                return capturePage(session, url, options, rules, deadline, timings);
            } catch (const CaptureFailure& failure) {
                if (!worthTryingWithoutHost(failure, options, deadline)) throw;
            }
            // The host's browser may be what failed: one of the capture's own
            // tells, and a host that failed where it did not serves no more.
            CapturedPage page =
                captureInOwnBrowser(browser.path, url, options, rules, signals, deadline, timings);
            retireHost(*host);
            return page;
        }
    }
    return captureInOwnBrowser(browser.path, url, options, rules, signals, deadline, timings);
}

// The options with the time-out the largest picture they allow gets; empty,
// with the reason said, when that picture would not fit in memory.
std::optional<CaptureOptions> sizedForThePicture(const CaptureOptions& given, std::ostream& err) {
    const int height = tallestPicture(pictureRequestOf(given));
    const std::optional<std::int64_t> available = availableMemory();
    const PictureBudget budget = budgetFor(
        given.width, height,
        given.timeoutGiven ? std::optional(given.timeoutSeconds) : std::nullopt, available);
    if (!budget.fits) {
        err << "iecapt: error: "
            << memoryRefusal(given.width, height, budget.bytesNeeded, available.value_or(0),
                             given.fullPage ? "--max-height" : "--height")
            << "\n";
        return std::nullopt;
    }
    if (budget.secondsNeeded > 0) {
        err << "iecapt: note: "
            << pictureCostNote(given.width, height, budget.secondsNeeded, budget.bytesNeeded,
                               budget.timeoutSeconds)
            << "\n";
    }
    CaptureOptions options = given;
    options.timeoutSeconds = budget.timeoutSeconds;
    return options;
}

int capture(const CaptureOptions& given, std::ostream& err) {
    const NormalisedAddress address = normaliseAddress(given.url, given.allowFileUrls);
    if (!address.error.empty()) {
        err << "iecapt: error: " << oneLine(address.error) << "\n";
        return static_cast<int>(ExitCode::BadArguments);
    }
    if (const std::string problem = checkWritableFilePath(given.out); !problem.empty()) {
        err << "iecapt: error: " << oneLine(problem) << "\n";
        return static_cast<int>(ExitCode::OutputNotWritten);
    }
    const std::optional<CaptureOptions> sized = sizedForThePicture(given, err);
    if (!sized) return static_cast<int>(ExitCode::PictureTooLarge);
    const CaptureOptions& options = *sized;

    const SignalWatch signals;
    Timings timings;
    const Deadline deadline = Deadline::after(std::chrono::seconds(options.timeoutSeconds));
    int status = 0;
    std::string error;  // printed last, after any timings: callers show the last line
    try {
        std::vector<std::string> warnings;
        const CapturedPage page =
            captureWithBrowser(address.url, options, signals, deadline, timings, warnings);
        timings.begin("write");
        if (signals.caughtSignal() != 0) throw CaptureInterrupted();
        // Each on a line of its own with this prefix: the program that
        // started the tool picks them out to tell its user.
        if (page.httpStatus >= 400) {
            err << "iecapt: warning: " << describeHttpStatus(page.httpStatus, page.httpStatusText)
                << "\n";
        }
        for (const std::string& note : page.notes) err << "iecapt: note: " << oneLine(note) << "\n";
        warnings.insert(warnings.end(), page.warnings.begin(), page.warnings.end());
        for (const std::string& warning : warnings) {
            err << "iecapt: warning: " << oneLine(warning) << "\n";
        }
        if (const std::string problem = writeFileAtomically(options.out, page.image);
            !problem.empty()) {
            throw CaptureFailure(ExitCode::OutputNotWritten, problem);
        }
    } catch (const CaptureInterrupted&) {
        error = std::string("iecapt: stopped by ") + signalName(signals.caughtSignal()) +
                "; nothing written";
        status = -signals.caughtSignal();
    } catch (const CaptureFailure& failure) {
        const std::string message = failure.code() == ExitCode::TimedOut
                                        ? describeTimeOut(options.timeoutSeconds, failure.what())
                                        : failure.what();
        error = "iecapt: error: " + oneLine(message);
        status = static_cast<int>(failure.code());
    }
    if (options.timings) err << "iecapt: timings: " << timings.summary() << "\n";
    if (!error.empty()) err << error << "\n";
    return status;
}

int runParsed(const ParsedCommandLine& parsed, std::ostream& out, std::ostream& err) {
    switch (parsed.action) {
        case ParsedCommandLine::Action::ShowHelp:
            out << helpText();
            return 0;
        case ParsedCommandLine::Action::ShowVersion:
            out << versionText();
            return 0;
        case ParsedCommandLine::Action::Refuse:
            err << "iecapt: error: " << oneLine(parsed.error) << " (see iecapt --help)\n";
            return static_cast<int>(ExitCode::BadArguments);
        case ParsedCommandLine::Action::Capture:
            break;
    }
    return capture(parsed.options, err);
}

}  // namespace

int runTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    try {
        if (!arguments.empty() && arguments.front() == kHostArgument) {
            return serveAsHost(arguments, IECAPT_VERSION, err);
        }
        return runParsed(parseCommandLine(arguments, currentEnvironment()), out, err);
    } catch (const std::exception& error) {
        err << "iecapt: error: unexpected failure: " << oneLine(error.what()) << "\n";
        return static_cast<int>(ExitCode::Unexpected);
    }
}

}  // namespace orlenda::iecapt
