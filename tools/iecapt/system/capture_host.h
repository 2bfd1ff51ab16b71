#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "common/deadline.h"
#include "common/native_handle.h"
#include "protocol/host_hello.h"
#include "protocol/message_channel.h"

namespace orlenda::iecapt {

// This user's capture host: one process that keeps a browser for the
// captures that follow one another, each in a context of its own (see
// protocol/host_router.h), and ends once none has come for a while, or at
// once when its browser goes. On POSIX systems it listens on a socket only
// this user can open, iecapt-host.socket in $XDG_RUNTIME_DIR, else in
// iecapt-host-UID under the temporary folder. Windows has none yet.

// What a capture asks of the host.
struct HostRequest {
    std::string version;  // the tool's own
    std::string browser;  // the browser's path
    int idleSeconds = 0;  // how long a host started for this capture waits for the next
};

// A channel to the host, the same DevTools messages as over the browser's own
// pipe. The first capture that finds no host starts one and waits for its
// browser as long as the deadline allows; a host that is there has a few
// seconds to answer. Nothing when no host can serve this capture (none can
// be reached or started, or the one there is of another build, browser or
// environment): the capture then starts a browser of its own, as if there
// were no host. Throws CaptureInterrupted on the interrupt.
std::unique_ptr<MessageChannel> openHostChannel(const HostRequest& request, NativeHandle interrupt,
                                                Deadline deadline);

// Asks the host behind a channel openHostChannel gave to take no more
// captures: it failed one that a browser of the capture's own did not.
void retireHost(MessageChannel& host);

// The first argument that makes the tool the host, started by a capture.
inline constexpr std::string_view kHostArgument = "--capture-host";

// Serves captures as the host until it ends; the arguments are those
// openHostChannel started the tool with. Returns the exit status at once,
// leaving the host to run on in a process of its own.
int serveAsHost(const std::vector<std::string>& arguments, const std::string& version,
                std::ostream& err);

// Shared by the platforms' halves.
namespace capture_host {

// The capture's identity as the host compares it: the tool's build, the
// browser, the environment but for the few variables known to change
// nothing the browser does, and the process's limits, each in order.
HostIdentity identityOf(const std::string& toolBuild, const std::string& browser,
                        const std::vector<std::string>& environment,
                        std::vector<std::string> limits);

}  // namespace capture_host

}  // namespace orlenda::iecapt
