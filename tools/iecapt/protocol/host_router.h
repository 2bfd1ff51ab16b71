#pragma once

#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orlenda::iecapt {

// The messages of several captures over one browser's pipe, each capture
// kept to what it made itself: its browser contexts, the pages in them and
// its sessions with those pages. Command ids are renumbered so no two
// captures' ids meet, replies go back to the capture that asked, events to
// the capture whose context, page or session they concern, and a command
// that names what another capture made is refused. Knows nothing of sockets
// or pipes: it takes messages and says where each one goes.
class HostRouter {
public:
    using ClientId = int;

    struct Routed {
        std::vector<std::string> toBrowser;
        std::vector<std::pair<ClientId, std::string>> toClients;
    };

    // What the reply to a command teaches about who owns what; HostReady
    // marks the host's own set-up.
    enum class Learn { Nothing, Context, Target, Session, HostReady };

    // The host's own first commands: the version, as a sign of life, and the
    // discovery of targets by which every capture learns of the windows its
    // page opens.
    std::vector<std::string> start();
    enum class State { Starting, Ready, Failed };
    State state() const { return m_state; }

    Routed fromClient(ClientId client, std::string_view message);
    Routed fromBrowser(std::string message);
    // The capture ended, or its process did: its contexts go, and all their
    // pages with them.
    Routed clientGone(ClientId client);

private:
    static constexpr ClientId kHost = 0;
    struct Pending {
        ClientId client = kHost;
        nlohmann::json clientId;
        Learn learn = Learn::Nothing;
    };

    Routed forward(ClientId client, nlohmann::json command, Learn learn);
    Routed onReply(int hostId, std::string message);
    Routed onHostReply(const nlohmann::json& reply, Learn learn);
    void learn(ClientId client, const nlohmann::json& reply, Learn learn);
    Routed onEvent(const nlohmann::json& event, std::string message);
    std::string post(const std::string& method, const nlohmann::json& params, Learn learn);

    State m_state = State::Starting;
    int m_setupLeft = 0;
    int m_nextId = 1;
    std::map<int, Pending> m_pending;
    std::map<std::string, ClientId> m_contexts;
    std::map<std::string, ClientId> m_targets;
    std::map<std::string, ClientId> m_sessions;
};

}  // namespace orlenda::iecapt
