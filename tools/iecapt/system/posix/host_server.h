#pragma once

#include <poll.h>

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/deadline.h"
#include "protocol/host_access.h"
#include "protocol/host_hello.h"
#include "protocol/host_router.h"
#include "protocol/message_framer.h"
#include "system/posix/host_socket.h"

namespace orlenda::iecapt {

// The capture host's serving loop on POSIX systems: one thread, one poll()
// over the browser's pipe, the listening socket and every capture's
// connection, so that no capture waits for another's messages. Whom it
// admits, what each may say and how much each may hold is host_access's to
// decide, where each message goes the router's. It knows no browser
// process: it is given the two ends of a pipe to one, so anything that
// speaks the protocol on them can stand in.
class HostServer {
public:
    struct Settings {
        HostIdentity identity;
        std::chrono::seconds idle{30};
        host_access::UserId owner = 0;  // the only user it admits
        host_access::Bounds bounds{};
        // Called once when a capture asks the host to retire: it gives up
        // its socket's name so that the next capture starts a new host.
        std::function<void()> retire{};
    };

    // Takes over the browser's pipe ends; the listener and the interrupt
    // stay the caller's.
    HostServer(int listener, int toBrowser, int fromBrowser, int interrupt, Settings settings);

    // Serves until no capture has come for the idle time, or the browser has
    // gone, or the interrupt, or a capture retired it and the last one it
    // served has ended.
    void serve();

private:
    // One end the host talks with: the browser's pipe, or a capture's socket.
    struct Peer {
        int readFd = -1;
        int writeFd = -1;
        MessageFramer in;
        std::deque<std::string> out;  // whole framed messages, the first written in part
        std::size_t written = 0;
        std::size_t queued = 0;   // bytes in out, less those written
        std::size_t largest = 0;  // the largest message queued since out was last empty

        void queue(std::string message);
        // Reads what has come; false once the other end has gone.
        bool read(std::vector<char>& buffer);
        // Writes as much as the other end takes now; false once it has gone.
        bool write();
    };

    struct Client {
        explicit Client(UniqueFd connection, const host_access::Bounds& bounds);

        UniqueFd fd;
        Peer peer;
        host_access::Stage stage = host_access::Stage::AwaitingHello;
        Deadline helloBy;
        bool closing = false;  // its last words are queued: it goes once they are written
    };

    bool exchange(std::vector<pollfd>& ready);
    void readBrowser();
    void acceptWaiting();
    bool readClient(HostRouter::ClientId id, Client& client);
    // What the client said, done; false when it goes for it.
    bool take(HostRouter::ClientId id, Client& client, const std::string& message);
    void say(Client& client, HostAnswer answer);
    void answerWaiting();
    void deliver(HostRouter::Routed routed);
    void endClient(HostRouter::ClientId id, const std::string& reason);
    void drop(HostRouter::ClientId id);
    bool accepting() const;
    int pollTimeout(Deadline::Clock::time_point idleSince) const;

    int m_listener;
    UniqueFd m_toBrowser;
    UniqueFd m_fromBrowser;
    int m_interrupt;
    Settings m_settings;
    HostRouter m_router;
    Peer m_browser;
    std::map<HostRouter::ClientId, Client> m_clients;
    HostRouter::ClientId m_nextClient = 1;
    std::vector<char> m_buffer;
    // Held for the moment the host runs out of descriptors: closed, it makes
    // room to take the waiting connection and close it.
    UniqueFd m_spare;
    Deadline m_acceptAgainAt = Deadline(Deadline::Clock::time_point{});
    bool m_retired = false;
    std::vector<HostRouter::ClientId> m_lagging;  // stopped reading: to be let go
};

}  // namespace orlenda::iecapt
