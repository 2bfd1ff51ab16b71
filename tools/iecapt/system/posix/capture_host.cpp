#include "system/capture_host.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "common/exit_code.h"
#include "shared/posix/detached_spawn.h"
#include "system/browser_process.h"
#include "system/pipe_channel.h"
#include "system/posix/host_socket.h"

namespace orlenda::iecapt {
namespace {

using namespace std::chrono_literals;

// How long a host that is there has to answer; one still starting its
// browser says so, and is then waited for as a browser of the capture's own.
constexpr auto kAnswerTime = 3s;
// How long another capture may hold the folder's lock: moments, unless it
// hangs.
constexpr auto kLockTime = 2s;

// Starts this same tool as the host, on the listening socket: in a session
// of its own, no signal blocked or ignored, nothing of the capture's open
// but the socket (as descriptor 3), and standard input and output on
// /dev/null, so that whoever waits for the capture's output never waits
// for the host. Its first process leaves the host running in another and
// ends, so the host is no child of this capture's.
bool startHost(int listener, const std::string& socketPath, const HostRequest& request) {
    pid_t first = 0;
    const bool started =
        spawnDetached({.program = "/proc/self/exe",
                       .arguments = {"iecapt", std::string(kHostArgument), socketPath,
                                     request.browser, std::to_string(request.idleSeconds)},
                       .output = DetachedChild::Output::Discarded,
                       .errorFile = -1,
                       .handedOn = listener},
                      first) == 0;
    int status = 0;
    while (started && ::waitpid(first, &status, 0) < 0 && errno == EINTR) {
    }
    return started && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A connection to this user's host, and whether this capture started it.
struct HostConnection {
    UniqueFd fd;
    bool startedHere = false;
};

// The host there is, else a new one. The connection to a new one is made
// before it runs, so it finds a capture waiting.
HostConnection reachHost(const std::string& folder, const std::string& socketPath,
                         const HostRequest& request, Deadline deadline) {
    if (UniqueFd host = host_socket::connectTo(socketPath)) return {std::move(host), false};
    // Two captures at once start one host: the second finds the first's.
    const UniqueFd lock =
        host_socket::lockFolder(folder, Deadline::after(kLockTime).orSooner(deadline));
    if (!lock) return {};
    if (UniqueFd host = host_socket::connectTo(socketPath)) return {std::move(host), false};
    const UniqueFd listener = host_socket::listenAt(socketPath);
    UniqueFd own = listener ? host_socket::connectTo(socketPath) : UniqueFd();
    if (own && startHost(listener.get(), socketPath, request)) return {std::move(own), true};
    ::unlink(socketPath.c_str());
    return {};
}

// The host's channel as the capture's session reads it: the browser's
// messages, and the host's word that it ends this capture, which fails the
// capture with its reason as a browser of its own would have failed it.
class HostChannel : public MessageChannel {
public:
    explicit HostChannel(std::unique_ptr<PipeChannel> channel) : m_channel(std::move(channel)) {}

    ChannelStatus send(std::string_view message, Deadline deadline) override {
        return m_channel->send(message, deadline);
    }
    ReceivedMessage receive(Deadline deadline) override {
        ReceivedMessage received = m_channel->receive(deadline);
        if (received.status == ChannelStatus::Ok && isHostMessage(received.text)) {
            throw CaptureFailure(ExitCode::BrowserFailed,
                                 readEnded(received.text).value_or("the capture host ended it"));
        }
        return received;
    }
    void decodeDataOf(int id) override { m_channel->decodeDataOf(id); }

private:
    std::unique_ptr<PipeChannel> m_channel;
};

// The channel, once the host says it serves this capture; nothing when it
// does not. Its first answer must come by firstAnswerBy; a host that says
// it is starting its browser is waited for up to the deadline.
std::unique_ptr<MessageChannel> greet(UniqueFd host, const HostIdentity& identity,
                                      NativeHandle interrupt, Deadline firstAnswerBy,
                                      Deadline deadline) {
    const int second = ::fcntl(host.get(), F_DUPFD_CLOEXEC, 0);
    if (second < 0) return nullptr;
    auto channel = std::make_unique<PipeChannel>(host.release(), second, interrupt);
    const ChannelStatus sent = channel->send(helloText(identity), firstAnswerBy);
    ReceivedMessage answer =
        sent == ChannelStatus::Ok ? channel->receive(firstAnswerBy) : ReceivedMessage{sent, {}, {}};
    if (answer.status == ChannelStatus::Ok &&
        readAnswer(answer.text, identity) == HostAnswer::Starting) {
        answer = channel->receive(deadline);
        if (answer.status == ChannelStatus::TimedOut) {
            throw CaptureFailure(ExitCode::TimedOut, "timed out while starting the browser");
        }
    }
    if (answer.status == ChannelStatus::Interrupted) throw CaptureInterrupted();
    if (answer.status != ChannelStatus::Ok ||
        readAnswer(answer.text, identity) != HostAnswer::Serving) {
        return nullptr;
    }
    return std::make_unique<HostChannel>(std::move(channel));
}

}  // namespace

std::unique_ptr<MessageChannel> openHostChannel(const HostRequest& request, NativeHandle interrupt,
                                                Deadline deadline) {
    const std::string folder = host_socket::hostFolder();
    if (folder.empty()) return nullptr;
    const HostIdentity identity =
        capture_host::identityOf(host_socket::toolBuild(request.version), request.browser,
                                 currentEnvironment(), host_socket::limitsOfThisProcess());
    // An environment too large for a hello the host takes: no host serves it.
    if (helloText(identity).size() > host_access::Bounds{}.helloBytes) return nullptr;
    HostConnection host = reachHost(folder, host_socket::socketPathIn(folder), request, deadline);
    if (!host.fd) return nullptr;
    // A new host may take as long to start as a browser of the capture's own.
    return greet(std::move(host.fd), identity, interrupt,
                 host.startedHere ? deadline : Deadline::after(kAnswerTime).orSooner(deadline),
                 deadline);
}

}  // namespace orlenda::iecapt
