#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/host_hello.h"
#include "protocol/message_framer.h"

// Who may say what to the capture host's browser, decided here and nowhere
// else: which folder and socket a capture trusts, which connections the
// host admits, what a connection must say first and how much it may hold,
// and which commands a capture may send on each session it owns. Plain
// values in, plain values out: the host's serving loop (system/posix) and
// the captures that reach it only ask.
namespace orlenda::iecapt::host_access {

using namespace std::chrono_literals;

// A user as the system numbers them.
using UserId = std::uint64_t;

// What the system says of a file.
enum class FileKind { Missing, Folder, Socket, Link, Other };
struct FileFacts {
    FileKind kind = FileKind::Missing;
    UserId owner = 0;
    unsigned mode = 0;  // the permission bits
};

// The folder of the socket and its lock: a folder (a link to one will not
// do) of this user's that no one else may enter.
bool isPrivateFolder(const FileFacts& folder, UserId self);
// The socket in it: this user's, and only this user may open it.
bool isPrivateSocket(const FileFacts& socket, UserId self);
// The process at the other end of a connection, either way: this user's.
// Nothing when the system would not say whose it is.
bool admitsPeer(std::optional<UserId> peer, UserId self);

// Where a connection stands: it must say hello first, with the host's own
// identity, and then wait, saying nothing, until the host serves it.
enum class Stage { AwaitingHello, AwaitingBrowser, Served };

// What the host does with a message of a connection's.
struct Turn {
    enum class Action {
        Relay,   // a command: to the router
        Answer,  // the answer below, and the connection goes on at the next stage
        Retire,  // a capture asked the host to take no more captures
        Close,   // the answer below if any, then the connection goes
    };
    Action action = Action::Close;
    Stage next = Stage::AwaitingHello;
    std::optional<HostAnswer> answer{};
};
Turn onMessage(Stage stage, std::string_view message, const HostIdentity& host, bool browserReady);

// The bounds on every connection.
struct Bounds {
    // Until the hello, no more than a hello holds: the identity, the whole
    // environment in it.
    std::size_t helloBytes = std::size_t{1} << 20;
    // A command: the largest a capture sends is a script of its own with
    // the consent rules in it (0.4 MB).
    std::size_t commandBytes = std::size_t{16} << 20;
    // What waits for a capture that reads no more, besides the largest
    // message among it (a screenshot may be 90 MB): past this, it has
    // stopped reading while its page goes on working, and is let go.
    std::size_t queuedBytes = std::size_t{64} << 20;
    std::chrono::milliseconds helloTime = 5s;
    // A message of the browser's: a longer one is not relayed, and ends the
    // capture it was for (a page can make the browser send one), not the host.
    std::size_t browserMessageBytes = kMaxMessageBytes;
};
// The longest message a connection may send at its stage.
std::size_t longestMessage(const Bounds& bounds, Stage stage);
// Whether a connection keeps up with what is sent to it.
bool keepsUp(const Bounds& bounds, std::size_t queuedBytes, std::size_t largestQueued);

// The session a command is sent on: the browser's own, or one of a page
// the capture made (or of a frame attached under it).
enum class Session { Browser, Page };
// The things a capture makes, known by their names.
enum class Thing { Context, Target, Session };
using Owns = std::function<bool(Thing, const std::string& name)>;

// What the reply to a command teaches about who owns what.
enum class Learn { Nothing, Context, Target, Session };

// What the host does with a capture's command.
struct Verdict {
    enum class Kind { Forward, AnswerHere, Refuse };
    Kind kind = Kind::Refuse;
    Learn learn = Learn::Nothing;
    std::string why{};  // of a refusal, for the error reply
};
Verdict judgeCommand(Session session, std::string_view method, const nlohmann::json& params,
                     const Owns& owns);

}  // namespace orlenda::iecapt::host_access
