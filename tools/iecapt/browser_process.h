#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "deadline.h"

namespace orlenda::iecapt {

// The browser to run: the given path, else the first of chromium,
// chromium-browser and google-chrome found on the search path. Empty when
// there is none.
std::string findBrowser(const std::string& given, const std::string& searchPath);

// The command line that starts the browser headless, quiet on a closed network,
// with the DevTools protocol on fds 3 and 4. Never holds the page's address.
std::vector<std::string> browserArguments(const std::string& browser,
                                          const std::string& profileFolder, bool asRoot);

// The tool's own environment, one "NAME=value" an entry.
std::vector<std::string> currentEnvironment();

// Chromium refuses to start as root with its sandbox on.
bool runningAsRoot();

// The environment the browser runs in: the tool's own, with its home, its
// configuration, cache and data folders and its temporary files all in the
// given folders, so that nothing it writes outlives the capture or lands in
// the user's home.
std::vector<std::string> browserEnvironment(const std::vector<std::string>& inherited,
                                            const std::string& home,
                                            const std::string& temporaryFiles);

// A running browser in a process group of its own, so its whole tree can be
// ended at once. It dies with the tool (PR_SET_PDEATHSIG, and EOF on its pipe)
// and is ended with all its processes when this object goes.
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
    int toBrowserFd() const { return m_toBrowserFd; }
    int fromBrowserFd() const { return m_fromBrowserFd; }

    // Ends every process of the browser's group and waits, bounded, until they
    // are gone. Safe to call twice.
    void stop();
    // Ends them without waiting: what the tool does meanwhile overlaps their
    // going. stop() still has to follow.
    void kill();

private:
    pid_t m_pid = -1;
    int m_toBrowserFd = -1;
    int m_fromBrowserFd = -1;
};

// Makes the tool the reaper of the browser's orphaned helpers, so stop() can
// wait for them too. Called once, early.
void adoptOrphanedDescendants();

}  // namespace orlenda::iecapt
