// The capture host on POSIX systems: one process, one thread, one poll()
// over the browser's pipe, the listening socket and every capture's
// connection, so that no capture waits for another's messages.

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <deque>
#include <map>
#include <ostream>

#include "common/exit_code.h"
#include "protocol/host_router.h"
#include "protocol/message_framer.h"
#include "system/browser_process.h"
#include "system/capture_host.h"
#include "system/posix/host_socket.h"
#include "system/profile_folder.h"
#include "system/signal_watch.h"

namespace orlenda::iecapt {
namespace {

using host_socket::UniqueFd;
using namespace std::chrono_literals;
using Clock = Deadline::Clock;

// Where the capture that starts the host hands it the listening socket.
constexpr int kHandedListener = 3;
// How long a new connection has to say hello.
constexpr auto kHelloTime = 5s;
constexpr std::size_t kReadChunk = 1 << 20;

// One end the host talks with: the browser's pipe, or a capture's socket.
struct Peer {
    int readFd = -1;
    int writeFd = -1;
    MessageFramer in;
    std::deque<std::string> out;  // whole framed messages, the first written in part
    std::size_t written = 0;

    void queue(std::string message) { out.push_back(frameMessage(message)); }

    // Reads what has come; false once the other end has gone.
    bool read(std::vector<char>& buffer) {
        const ssize_t got = ::read(readFd, buffer.data(), buffer.size());
        if (got > 0) in.append(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
        return got > 0 || (got < 0 && (errno == EINTR || errno == EAGAIN));
    }

    // Writes as much as the other end takes now; false once it has gone.
    bool write() {
        while (!out.empty()) {
            const std::string& first = out.front();
            const ssize_t wrote = ::write(writeFd, first.data() + written, first.size() - written);
            if (wrote < 0) return errno == EINTR || errno == EAGAIN;
            written += static_cast<std::size_t>(wrote);
            if (written < first.size()) continue;
            out.pop_front();
            written = 0;
        }
        return true;
    }
};

struct Client {
    enum class Greeting { Awaited, Waiting, Served };

    explicit Client(UniqueFd connection) : fd(std::move(connection)) {
        peer.readFd = peer.writeFd = fd.get();
    }

    UniqueFd fd;
    Peer peer;
    Greeting greeting = Greeting::Awaited;
    Deadline helloBy = Deadline::after(kHelloTime);
};

class HostServer {
public:
    HostServer(int listener, NativeHandle toBrowser, NativeHandle fromBrowser, int interrupt,
               HostIdentity identity, std::chrono::seconds idle)
        : m_listener(listener),
          m_toBrowser(toBrowser),
          m_fromBrowser(fromBrowser),
          m_interrupt(interrupt),
          m_identity(std::move(identity)),
          m_idle(idle) {
        for (const int fd : {toBrowser, fromBrowser}) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
        ::fcntl(fromBrowser, F_SETPIPE_SZ, static_cast<int>(kReadChunk));
        m_browser.readFd = fromBrowser;
        m_browser.writeFd = toBrowser;
    }

    // Serves until no capture has come for the idle time, or the browser has
    // gone, or a signal has come.
    void serve();

private:
    bool exchange(std::vector<pollfd>& ready);
    void acceptWaiting();
    bool readClient(HostRouter::ClientId id, Client& client);
    void answerWaiting();
    void deliver(HostRouter::Routed routed);
    void drop(HostRouter::ClientId id);
    int pollTimeout(Clock::time_point idleSince) const;

    int m_listener;
    UniqueFd m_toBrowser;
    UniqueFd m_fromBrowser;
    int m_interrupt;
    HostIdentity m_identity;
    std::chrono::seconds m_idle;
    HostRouter m_router;
    Peer m_browser;
    std::map<HostRouter::ClientId, Client> m_clients;
    HostRouter::ClientId m_nextClient = 1;
    std::vector<char> m_buffer = std::vector<char>(kReadChunk);
};

void HostServer::serve() {
    for (std::string& command : m_router.start()) m_browser.queue(std::move(command));
    Clock::time_point idleSince = Clock::now();
    for (;;) {
        std::vector<pollfd> ready = {
            {m_interrupt, POLLIN, 0},
            {m_listener, POLLIN, 0},
            {m_browser.readFd, POLLIN, 0},
            {m_browser.writeFd, static_cast<short>(m_browser.out.empty() ? 0 : POLLOUT), 0}};
        for (const auto& [id, client] : m_clients) {
            ready.push_back({client.fd.get(),
                             static_cast<short>(POLLIN | (client.peer.out.empty() ? 0 : POLLOUT)),
                             0});
        }
        if (::poll(ready.data(), ready.size(), pollTimeout(idleSince)) < 0 && errno != EINTR) {
            return;
        }
        if (ready[0].revents != 0 || !exchange(ready)) return;
        if (!m_clients.empty()) idleSince = Clock::now();
        if (m_clients.empty() && Clock::now() >= idleSince + m_idle) return;
    }
}

// Moves the messages that can move now; false once the browser has gone or
// will not serve.
bool HostServer::exchange(std::vector<pollfd>& ready) {
    if (ready[2].revents != 0) {
        if (!m_browser.read(m_buffer)) return false;
        while (auto message = m_browser.in.next())
            deliver(m_router.fromBrowser(std::move(*message)));
    }
    std::vector<HostRouter::ClientId> gone;
    auto polled = ready.begin() + 4;
    for (auto& [id, client] : m_clients) {
        const bool readable = (polled++)->revents != 0;
        if ((readable && !readClient(id, client)) ||
            (client.greeting == Client::Greeting::Awaited && client.helloBy.expired())) {
            gone.push_back(id);
        }
    }
    for (const HostRouter::ClientId id : gone) drop(id);
    if (ready[1].revents != 0) acceptWaiting();
    if (m_router.state() == HostRouter::State::Failed) return false;
    if (m_router.state() == HostRouter::State::Ready) answerWaiting();
    gone.clear();
    for (auto& [id, client] : m_clients) {
        if (!client.peer.write()) gone.push_back(id);
    }
    for (const HostRouter::ClientId id : gone) drop(id);
    return m_browser.write();
}

void HostServer::acceptWaiting() {
    for (;;) {
        UniqueFd connection(::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (!connection) return;
        if (host_socket::peerIsThisUser(connection.get())) {
            m_clients.emplace(m_nextClient++, Client(std::move(connection)));
        }
    }
}

// False when the capture has gone, or has said what it should not.
bool HostServer::readClient(HostRouter::ClientId id, Client& client) {
    try {
        if (!client.peer.read(m_buffer)) return false;
    } catch (const CaptureFailure&) {
        return false;  // a message longer than any capture sends
    }
    while (auto message = client.peer.in.next()) {
        switch (client.greeting) {
            case Client::Greeting::Served:
                deliver(m_router.fromClient(id, *message));
                break;
            case Client::Greeting::Waiting:
                return false;  // it speaks before it was answered
            case Client::Greeting::Awaited:
                if (readHello(*message) != m_identity) {
                    // Said once, without waiting: it captures without a host.
                    const std::string refusal =
                        frameMessage(answerText(m_identity, HostAnswer::Refused));
                    ::send(client.fd.get(), refusal.data(), refusal.size(),
                           MSG_DONTWAIT | MSG_NOSIGNAL);
                    return false;
                }
                // Served at once when the browser is there, else told to wait for it.
                client.greeting = Client::Greeting::Waiting;
                if (m_router.state() != HostRouter::State::Ready) {
                    client.peer.queue(answerText(m_identity, HostAnswer::Starting));
                }
                break;
        }
    }
    return true;
}

void HostServer::answerWaiting() {
    for (auto& [id, client] : m_clients) {
        if (client.greeting != Client::Greeting::Waiting) continue;
        client.peer.queue(answerText(m_identity, HostAnswer::Serving));
        client.greeting = Client::Greeting::Served;
    }
}

void HostServer::deliver(HostRouter::Routed routed) {
    for (std::string& message : routed.toBrowser) m_browser.queue(std::move(message));
    for (auto& [id, message] : routed.toClients) {
        if (const auto client = m_clients.find(id); client != m_clients.end()) {
            client->second.peer.queue(std::move(message));
        }
    }
}

void HostServer::drop(HostRouter::ClientId id) {
    m_clients.erase(id);
    deliver(m_router.clientGone(id));
}

int HostServer::pollTimeout(Clock::time_point idleSince) const {
    std::optional<Deadline> wake;
    if (m_clients.empty()) wake = Deadline(idleSince + m_idle);
    for (const auto& [id, client] : m_clients) {
        if (client.greeting == Client::Greeting::Awaited) {
            wake = wake ? wake->orSooner(client.helloBy) : client.helloBy;
        }
    }
    return wake ? wake->pollTimeout() : -1;
}

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
               identity, idle)
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
    try {
        host(std::move(listener), arguments[1], browser, std::chrono::seconds(idleSeconds),
             capture_host::identityOf(host_socket::toolBuild(version), browser,
                                      currentEnvironment()));
    } catch (const std::exception&) {
        // A host that cannot serve ends: each capture then starts a browser of its own.
    }
    return 0;
}

}  // namespace orlenda::iecapt
