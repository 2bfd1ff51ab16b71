#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/native_handle.h"
#include "system/profile_folder.h"

namespace orlenda::iecapt {

// The browser to run, or why there is none: the message names where the
// tool looked.
struct BrowserLookup {
    std::string path;
    std::string problem;
};

// Looks for the browser: the given path or program name; else, on POSIX
// systems, chromium-headless-shell, chromium, chromium-browser and
// google-chrome on PATH; on Windows,
// Chrome, Chromium and Edge where they install (for all users, then for this
// one), then on PATH.
BrowserLookup lookForBrowser(const std::string& given);

// The part of lookForBrowser that reads no environment: the given path, else
// the first known browser on the search path (the platform's PATH syntax).
// Empty when there is none.
std::string findBrowser(const std::string& given, const std::string& searchPath);

// What --help says about --browser.
std::string_view browserSearchHelp();

// The command line that starts the browser headless, quiet on a closed network,
// with the DevTools protocol on its pipe. Never holds the page's address.
std::vector<std::string> browserArguments(const std::string& browser,
                                          const std::string& profileFolder, bool asRoot);

// The tool's own environment, one "NAME=value" an entry, in UTF-8.
std::vector<std::string> currentEnvironment();

// Chromium refuses to start as root with its sandbox on. Never so on Windows.
bool runningAsRoot();

// The most files the browser may have open, where the system sets such a
// limit (the hard one: the browser raises its own soft limit to it).
std::optional<long long> openFilesLimit();
// Held to fewer, the browser fails pages as downloads or quits without a
// word of why (measured: 64 fail every page, 128 take a simple one).
inline constexpr long long kFewestBrowserFiles = 256;

// The environment the browser runs in: the tool's own, with its temporary
// files and, on POSIX systems, its home, configuration, cache and data
// folders in the given folders, so that nothing it writes outlives the
// capture or lands in the user's home.
std::vector<std::string> browserEnvironment(const std::vector<std::string>& inherited,
                                            const std::string& home,
                                            const std::string& temporaryFiles);

// The inherited environment with each placed variable set to its value. On
// Windows names are the same whatever their case.
enum class VariableNames { CaseSensitive, CaseInsensitive };
std::vector<std::string> environmentWith(
    const std::vector<std::string>& inherited,
    const std::vector<std::pair<std::string, std::string>>& placed, VariableNames names);

// A running browser whose whole tree can be ended at once: on POSIX systems a
// process group of its own that dies with the tool (PR_SET_PDEATHSIG, and EOF
// on its pipe); on Windows a job object that ends every process in it when
// the tool lets go of it, however the tool ends. All its processes are ended
// when this object goes.
class BrowserProcess {
public:
    // Starts the browser; throws a CaptureFailure when it cannot be run. Its
    // output goes to logPath.
    BrowserProcess(const std::vector<std::string>& arguments,
                   const std::vector<std::string>& environment, const std::string& logPath);
    ~BrowserProcess();
    BrowserProcess(const BrowserProcess&) = delete;
    BrowserProcess& operator=(const BrowserProcess&) = delete;

    // Our ends of the protocol pipe; the caller takes them over.
    NativeHandle toBrowser() const { return m_toBrowser; }
    NativeHandle fromBrowser() const { return m_fromBrowser; }

    // Ends every process of the browser and waits, bounded, until they are
    // gone. Safe to call twice.
    void stop();
    // Ends them without waiting: what the tool does meanwhile overlaps their
    // going. stop() still has to follow.
    void kill();

private:
    struct Running;  // the platform's own record of the processes
    std::unique_ptr<Running> m_running;
    NativeHandle m_toBrowser;
    NativeHandle m_fromBrowser;
};

// The browser started in the throw-away folder: its profile, home and
// temporary files there, its output in the folder's log.
BrowserProcess startBrowserIn(const ProfileFolder& folder, const std::string& browser);

// Ends the browser and removes its files meanwhile, and waits, bounded,
// until its processes are gone.
void endBrowserIn(const ProfileFolder& folder, BrowserProcess& process);

// Makes sure stop() can wait for the browser's orphaned helpers too: on
// POSIX systems the tool becomes their reaper; on Windows the job holds them
// already. Called once, early.
void adoptOrphanedDescendants();

}  // namespace orlenda::iecapt
