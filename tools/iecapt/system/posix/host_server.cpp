// The capture host on POSIX systems: its serving loop, and the process it
// runs in.

#include "system/posix/host_server.h"

#include <fcntl.h>
#include <malloc.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <ostream>

#include "common/exit_code.h"
#include "system/browser_process.h"
#include "system/capture_host.h"
#include "system/profile_folder.h"
#include "system/signal_watch.h"

namespace orlenda::iecapt {

using namespace std::chrono_literals;
using host_access::Stage;
using host_access::Turn;
using Clock = Deadline::Clock;

namespace {

// Where the capture that starts the host hands it the listening socket.
constexpr int kHandedListener = 3;
constexpr std::size_t kReadChunk = 1 << 20;
// How long the host takes no connection once it has no descriptor to spare.
constexpr auto kAcceptPause = 100ms;

void makeNonBlocking(int fd) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

}  // namespace

void HostServer::Peer::queue(std::string message) {
    // Framed where it stands: a screenshot's megabytes are not copied.
    message.push_back('\0');
    out.push_back(std::move(message));
    queued += out.back().size();
    largest = std::max(largest, out.back().size());
}

bool HostServer::Peer::read(std::vector<char>& buffer) {
    const ssize_t got = ::read(readFd, buffer.data(), buffer.size());
    if (got > 0) in.append(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
    return got > 0 || (got < 0 && (errno == EINTR || errno == EAGAIN));
}

bool HostServer::Peer::write() {
    while (!out.empty()) {
        const std::string& first = out.front();
        const ssize_t wrote = ::write(writeFd, first.data() + written, first.size() - written);
        if (wrote < 0) return errno == EINTR || errno == EAGAIN;
        written += static_cast<std::size_t>(wrote);
        queued -= static_cast<std::size_t>(wrote);
        if (written < first.size()) continue;
        out.pop_front();
        written = 0;
    }
    largest = 0;
    return true;
}

HostServer::Client::Client(UniqueFd connection, const host_access::Bounds& bounds)
    : fd(std::move(connection)), helloBy(Deadline::after(bounds.helloTime)) {
    peer.readFd = peer.writeFd = fd.get();
    peer.in.limitTo(host_access::longestMessage(bounds, stage));
}

HostServer::HostServer(int listener, int toBrowser, int fromBrowser, int interrupt,
                       Settings settings)
    : m_listener(listener),
      m_toBrowser(toBrowser),
      m_fromBrowser(fromBrowser),
      m_interrupt(interrupt),
      m_settings(std::move(settings)),
      m_buffer(kReadChunk),
      m_spare(::open("/dev/null", O_RDONLY | O_CLOEXEC)) {
    makeNonBlocking(toBrowser);
    makeNonBlocking(fromBrowser);
    ::fcntl(fromBrowser, F_SETPIPE_SZ, static_cast<int>(kReadChunk));
    m_browser.readFd = fromBrowser;
    m_browser.writeFd = toBrowser;
    // A message of the browser's too long to relay ends the capture it was
    // for, not the host.
    m_browser.in =
        MessageFramer(m_settings.bounds.browserMessageBytes, MessageFramer::TooLong::Drop);
}

void HostServer::serve() {
    for (std::string& command : m_router.start()) m_browser.queue(std::move(command));
    Clock::time_point idleSince = Clock::now();
    const host_access::Bounds& bounds = m_settings.bounds;
    for (;;) {
        // Commands wait while the browser reads none, so that no capture
        // fills the host's memory faster than the browser takes it.
        const bool browserKeepsUp =
            host_access::keepsUp(bounds, m_browser.queued, m_browser.largest);
        std::vector<pollfd> ready = {
            {m_interrupt, POLLIN, 0},
            {accepting() ? m_listener : -1, POLLIN, 0},
            {m_browser.readFd, POLLIN, 0},
            {m_browser.writeFd, static_cast<short>(m_browser.out.empty() ? 0 : POLLOUT), 0}};
        for (const auto& [id, client] : m_clients) {
            const bool listens = browserKeepsUp && !client.closing;
            ready.push_back({client.fd.get(),
                             static_cast<short>((listens ? POLLIN : 0) |
                                                (client.peer.out.empty() ? 0 : POLLOUT)),
                             0});
        }
        if (::poll(ready.data(), ready.size(), pollTimeout(idleSince)) < 0 && errno != EINTR) {
            return;
        }
        if (ready[0].revents != 0 || !exchange(ready)) return;
        if (!m_clients.empty()) idleSince = Clock::now();
        if (m_clients.empty() && (m_retired || Clock::now() >= idleSince + m_settings.idle)) {
            return;
        }
    }
}

// Moves the messages that can move now; false once the browser has gone or
// will not serve.
bool HostServer::exchange(std::vector<pollfd>& ready) {
    if (ready[2].revents != 0) {
        if (!m_browser.read(m_buffer)) return false;
        readBrowser();
    }
    std::vector<HostRouter::ClientId> gone;
    auto polled = ready.begin() + 4;
    for (auto& [id, client] : m_clients) {
        const bool readable = (polled++)->revents != 0;
        if ((readable && !client.closing && !readClient(id, client)) ||
            (client.stage == Stage::AwaitingHello && client.helloBy.expired())) {
            gone.push_back(id);
        }
    }
    if (ready[1].revents != 0) acceptWaiting();
    if (m_router.state() == HostRouter::State::Failed) return false;
    if (m_router.state() == HostRouter::State::Ready) answerWaiting();
    for (auto& [id, client] : m_clients) {
        if (!client.peer.write() || (client.closing && client.peer.out.empty())) {
            gone.push_back(id);
        }
    }
    gone.insert(gone.end(), m_lagging.begin(), m_lagging.end());
    m_lagging.clear();
    for (const HostRouter::ClientId id : gone) drop(id);
    return m_browser.write();
}

void HostServer::readBrowser() {
    while (auto message = m_browser.in.next()) deliver(m_router.fromBrowser(std::move(*message)));
    for (const DroppedMessage& dropped : m_browser.in.takeDropped()) {
        if (const HostRouter::ClientId id = m_router.concerns(dropped); id != 0) {
            endClient(id, tooLongReason(m_settings.bounds.browserMessageBytes));
        }
    }
}

bool HostServer::accepting() const { return !m_retired && m_acceptAgainAt.expired(); }

void HostServer::acceptWaiting() {
    while (accepting()) {
        UniqueFd connection(::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (connection) {
            if (host_access::admitsPeer(host_socket::peerUser(connection.get()),
                                        m_settings.owner)) {
                m_clients.emplace(m_nextClient++, Client(std::move(connection), m_settings.bounds));
            }
            continue;
        }
        if (errno != EMFILE && errno != ENFILE) return;
        // Out of descriptors, the connection would wait and keep the listener
        // ready for ever: the spare one makes room to take it and close it,
        // so its capture starts a browser of its own at once. With none to
        // spare, the host takes no connection for a moment.
        m_spare.reset();
        UniqueFd(::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC));
        m_spare = UniqueFd(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        if (!m_spare) m_acceptAgainAt = Deadline::after(kAcceptPause);
    }
}

// False when the capture has gone, or has said what it should not.
bool HostServer::readClient(HostRouter::ClientId id, Client& client) {
    try {
        if (!client.peer.read(m_buffer)) return false;
        while (auto message = client.peer.in.next()) {
            if (!take(id, client, *message)) return false;
        }
    } catch (const CaptureFailure&) {
        return false;  // longer than it may send where it stands
    }
    return true;
}

bool HostServer::take(HostRouter::ClientId id, Client& client, const std::string& message) {
    const Turn turn = host_access::onMessage(client.stage, message, m_settings.identity,
                                             m_router.state() == HostRouter::State::Ready);
    switch (turn.action) {
        case Turn::Action::Relay:
            deliver(m_router.fromClient(id, message));
            break;
        case Turn::Action::Answer:
            say(client, *turn.answer);
            break;
        case Turn::Action::Retire:
            if (!m_retired && m_settings.retire) m_settings.retire();
            m_retired = true;
            break;
        case Turn::Action::Close:
            if (turn.answer) {
                // Said once, without waiting: it captures without a host.
                const std::string last =
                    frameMessage(answerText(m_settings.identity, *turn.answer));
                ::send(client.fd.get(), last.data(), last.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
            }
            return false;
    }
    client.stage = turn.next;
    client.peer.in.limitTo(host_access::longestMessage(m_settings.bounds, client.stage));
    return true;
}

void HostServer::say(Client& client, HostAnswer answer) {
    client.peer.queue(answerText(m_settings.identity, answer));
}

void HostServer::answerWaiting() {
    for (auto& [id, client] : m_clients) {
        if (client.stage != Stage::AwaitingBrowser) continue;
        say(client, HostAnswer::Serving);
        client.stage = Stage::Served;
        client.peer.in.limitTo(host_access::longestMessage(m_settings.bounds, client.stage));
    }
}

void HostServer::deliver(HostRouter::Routed routed) {
    for (std::string& message : routed.toBrowser) m_browser.queue(std::move(message));
    for (auto& [id, message] : routed.toClients) {
        const auto found = m_clients.find(id);
        if (found == m_clients.end() || found->second.closing) continue;
        Peer& peer = found->second.peer;
        peer.queue(std::move(message));
        if (!host_access::keepsUp(m_settings.bounds, peer.queued, peer.largest)) {
            m_lagging.push_back(id);
        }
    }
}

// The capture's end, told to it with the reason; it goes once that is written.
void HostServer::endClient(HostRouter::ClientId id, const std::string& reason) {
    const auto found = m_clients.find(id);
    if (found == m_clients.end() || found->second.closing) return;
    found->second.peer.queue(endedText(reason));
    found->second.closing = true;
    deliver(m_router.clientGone(id));
}

void HostServer::drop(HostRouter::ClientId id) {
    if (m_clients.erase(id) == 0) return;
    deliver(m_router.clientGone(id));
#ifdef __GLIBC__
    // glibc keeps what was freed for the next malloc: a capture's
    // screenshots would stay in the host's memory while it idles.
    ::malloc_trim(0);
#endif
}

int HostServer::pollTimeout(Clock::time_point idleSince) const {
    std::optional<Deadline> wake;
    const auto wakeBy = [&](Deadline deadline) {
        wake = wake ? wake->orSooner(deadline) : deadline;
    };
    if (m_clients.empty()) wakeBy(Deadline(idleSince + m_settings.idle));
    if (!m_retired && !m_acceptAgainAt.expired()) wakeBy(m_acceptAgainAt);
    for (const auto& [id, client] : m_clients) {
        if (client.stage == Stage::AwaitingHello) wakeBy(client.helloBy);
    }
    return wake ? wake->pollTimeout() : -1;
}

namespace {

// The listening socket and its name, given up together as soon as the host
// ends: under the folder's lock, and only while the name is still this
// host's, so that a capture never finds a name that leads to no host, nor
// loses that of a host started since. A capture that connected meanwhile
// finds its connection closed, and captures on its own at once.
class Listening {
public:
    Listening(UniqueFd listener, std::string path)
        : m_listener(std::move(listener)), m_path(std::move(path)) {
        ::stat(m_path.c_str(), &m_status);
    }
    ~Listening() { giveUp(); }
    Listening(const Listening&) = delete;
    Listening& operator=(const Listening&) = delete;

    int fd() const { return m_listener.get(); }

    void giveUp() {
        if (!m_listener) return;
        const std::string folder = m_path.substr(0, m_path.rfind('/'));
        const UniqueFd lock = host_socket::lockFolder(folder, Deadline::after(2s));
        struct stat now {};
        if (lock && ::stat(m_path.c_str(), &now) == 0 && now.st_dev == m_status.st_dev &&
            now.st_ino == m_status.st_ino) {
            ::unlink(m_path.c_str());
        }
        m_listener.reset();
    }

private:
    UniqueFd m_listener;
    std::string m_path;
    struct stat m_status {};
};

void host(UniqueFd listener, const std::string& socketPath, const std::string& browserPath,
          std::chrono::seconds idle, const HostIdentity& identity) {
    Listening listening(std::move(listener), socketPath);
    const SignalWatch signals;
    adoptOrphanedDescendants();
    removeStaleProfileFolders(profileFolderBase());
    const ProfileFolder folder;
    BrowserProcess browser = startBrowserIn(folder, browserPath);
    HostServer(listening.fd(), browser.toBrowser(), browser.fromBrowser(), signals.descriptor(),
               {.identity = identity,
                .idle = idle,
                .owner = host_socket::thisUser(),
                .retire = [&listening] { listening.giveUp(); }})
        .serve();
    listening.giveUp();
    endBrowserIn(folder, browser);
}

}  // namespace

int serveAsHost(const std::vector<std::string>& arguments, const std::string& version,
                std::ostream& err) {
    int idleSeconds = -1;
    if (arguments.size() == 4) {
        const std::string& idle = arguments[3];
        std::from_chars(idle.data(), idle.data() + idle.size(), idleSeconds);
    }
    int listening = 0;
    socklen_t size = sizeof listening;
    if (idleSeconds < 0 ||
        ::getsockopt(kHandedListener, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) != 0 ||
        listening == 0) {
        err << "iecapt: error: " << kHostArgument << " is for the tool to start itself\n";
        return static_cast<int>(ExitCode::BadArguments);
    }
    // Off descriptor 3, where the browser gets its pipe.
    UniqueFd listener(::fcntl(kHandedListener, F_DUPFD_CLOEXEC, 10));
    ::close(kHandedListener);
    // The capture that started the host waits for this first process only.
    if (const pid_t running = ::fork(); running != 0) {
        return running > 0 ? 0 : static_cast<int>(ExitCode::BrowserFailed);
    }
    const std::string& browser = arguments[2];
    // Its own limits, not those of the capture that happened to start it.
    host_socket::raiseOpenFilesLimit();
    try {
        host(std::move(listener), arguments[1], browser, std::chrono::seconds(idleSeconds),
             capture_host::identityOf(host_socket::toolBuild(version), browser,
                                      currentEnvironment(), host_socket::limitsOfThisProcess()));
    } catch (const std::exception&) {
        // A host that cannot serve ends: each capture then starts a browser of its own.
    }
    return 0;
}

}  // namespace orlenda::iecapt
