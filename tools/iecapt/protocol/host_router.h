#pragma once

#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "protocol/host_access.h"
#include "protocol/message_framer.h"

namespace orlenda::iecapt {

// The messages of several captures over one browser's pipe, each capture
// kept to what it made itself: its browser contexts, the pages in them and
// its sessions with those pages and with the frames attached under them.
// Command ids are renumbered so no two captures' ids meet, replies go back
// to the capture that asked, events to the capture whose context, page or
// session they concern, and what a capture may send is host_access's to
// judge. Knows nothing of sockets or pipes: it takes messages and says where
// each one goes.
class HostRouter {
public:
    using ClientId = int;

    struct Routed {
        std::vector<std::string> toBrowser;
        std::vector<std::pair<ClientId, std::string>> toClients;
    };

    // The host's own first commands: the version, as a sign of life, and the
    // discovery of targets by which every capture learns of the windows its
    // page opens.
    std::vector<std::string> start();
    enum class State { Starting, Ready, Failed };
    State state() const { return m_state; }

    // A capture's command: sent on, answered here or refused, as
    // host_access judges it.
    Routed fromClient(ClientId client, std::string_view message);
    Routed fromBrowser(std::string message);
    // The capture a message of the browser's that was too long to relay
    // was for: the one that asked, or whose session it came on; 0 for none.
    ClientId concerns(const DroppedMessage& dropped);
    // The capture ended, or its process did: its contexts go, and all their
    // pages with them.
    Routed clientGone(ClientId client);

private:
    static constexpr ClientId kHost = 0;
    struct Pending {
        ClientId client = kHost;
        nlohmann::json clientId;
        host_access::Learn learn = host_access::Learn::Nothing;
        bool hostSetUp = false;  // one of the host's own first commands
    };

    Routed forward(ClientId client, nlohmann::json command, host_access::Learn learn);
    Routed onReply(int hostId, std::string message);
    Routed onHostReply(const nlohmann::json& reply, const Pending& pending);
    void learn(ClientId client, const nlohmann::json& reply, host_access::Learn learn);
    Routed onEvent(const nlohmann::json& event, std::string message);
    std::string post(const std::string& method, const nlohmann::json& params,
                     host_access::Learn learn, bool hostSetUp = false);
    std::map<std::string, ClientId>& ownersOf(host_access::Thing thing);

    State m_state = State::Starting;
    int m_setupLeft = 0;
    int m_nextId = 1;
    std::map<int, Pending> m_pending;
    std::map<std::string, ClientId> m_contexts;
    std::map<std::string, ClientId> m_targets;
    std::map<std::string, ClientId> m_sessions;
};

}  // namespace orlenda::iecapt
