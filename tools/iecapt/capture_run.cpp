#include "capture_run.h"

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ostream>

#include "address.h"
#include "atomic_file.h"
#include "browser_process.h"
#include "devtools_session.h"
#include "exit_code.h"
#include "options.h"
#include "page_capture.h"
#include "pipe_channel.h"
#include "signal_watch.h"
#include "timings.h"

namespace orlenda::iecapt {
namespace {

// Messages quote addresses and browser output: keep each to one line.
std::string oneLine(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    return text;
}

// The last line the browser wrote before it gave up, which usually says why.
std::string lastLineOf(const std::string& path) {
    std::ifstream log(path);
    std::string line;
    std::string last;
    while (std::getline(log, line)) {
        if (line.find_first_not_of(" \t\r") != std::string::npos) last = line;
    }
    return last.substr(0, 300);
}

CapturedPage captureWithBrowser(const std::string& url, const CaptureOptions& options,
                                const SignalWatch& signals, Deadline deadline, Timings& timings) {
    const char* searchPath = std::getenv("PATH");
    const std::string browser = findBrowser(
        options.browser, searchPath != nullptr ? searchPath : "/usr/local/bin:/usr/bin:/bin");
    if (browser.empty()) {
        throw CaptureFailure(ExitCode::BrowserFailed,
                             options.browser.empty()
                                 ? "no browser found: install chromium or give --browser=PATH"
                                 : "the browser " + options.browser + " is not an executable file");
    }
    const TemporaryFolder folder;
    const std::string profile = folder.path() + "/profile";
    const std::string temporaryFiles = folder.path() + "/tmp";
    const std::string log = folder.path() + "/browser.log";
    ::mkdir(temporaryFiles.c_str(), 0700);

    BrowserProcess process(browserArguments(browser, profile, ::geteuid() == 0), temporaryFiles,
                           log);
    PipeChannel channel(process.toBrowserFd(), process.fromBrowserFd(), signals.descriptor());
    DevToolsSession session(channel, deadline);
    try {
        return capturePage(session, url, options, deadline, timings);
    } catch (const CaptureFailure& failure) {
        if (failure.code() != ExitCode::BrowserFailed) throw;
        process.stop();
        const std::string reason = lastLineOf(log);
        if (reason.empty()) throw;
        throw CaptureFailure(failure.code(), std::string(failure.what()) + " (" + reason + ")");
    }
}

int capture(const CaptureOptions& options, std::ostream& err) {
    const NormalisedAddress address = normaliseAddress(options.url);
    if (!address.error.empty()) {
        err << "iecapt: error: " << address.error << "\n";
        return static_cast<int>(ExitCode::BadArguments);
    }
    if (const std::string problem = checkWritableFilePath(options.out); !problem.empty()) {
        err << "iecapt: error: " << oneLine(problem) << "\n";
        return static_cast<int>(ExitCode::OutputNotWritten);
    }

    const SignalWatch signals;
    adoptOrphanedDescendants();
    Timings timings;
    const Deadline deadline = Deadline::after(std::chrono::seconds(options.timeoutSeconds));
    int status = 0;
    try {
        const CapturedPage page =
            captureWithBrowser(address.url, options, signals, deadline, timings);
        timings.endPhase("shutdown");
        if (signals.caughtSignal() != 0) throw CaptureInterrupted();
        if (const std::string problem = writeFileAtomically(options.out, page.jpeg);
            !problem.empty()) {
            throw CaptureFailure(ExitCode::OutputNotWritten, problem);
        }
        timings.endPhase("write");
        if (page.httpStatus >= 400) {
            err << "iecapt: note: the server answered " << page.httpStatus << " "
                << oneLine(page.httpStatusText) << " for " << oneLine(address.url)
                << "; captured as it was sent\n";
        }
    } catch (const CaptureInterrupted&) {
        err << "iecapt: stopped by " << ::strsignal(signals.caughtSignal())
            << "; nothing written\n";
        status = -signals.caughtSignal();
    } catch (const CaptureFailure& failure) {
        std::string message = failure.what();
        if (failure.code() == ExitCode::TimedOut) {
            message = "no capture of " + address.url + " within " +
                      std::to_string(options.timeoutSeconds) + " s: " + message;
        }
        err << "iecapt: error: " << oneLine(message) << "\n";
        status = static_cast<int>(failure.code());
    }
    if (options.timings) err << "iecapt: timings: " << timings.summary() << "\n";
    return status;
}

}  // namespace

int runTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    const ParsedCommandLine parsed = parseCommandLine(arguments);
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

}  // namespace orlenda::iecapt
