#include "protocol/host_access.h"

#include <algorithm>
#include <utility>

namespace orlenda::iecapt::host_access {
namespace {

using nlohmann::json;

constexpr unsigned kGroupAndOthers = 077;

// What a command on the browser's own session must name of the capture's
// own, and what its reply teaches; every other such command is refused.
enum class Names { Nothing, Context, Target };
struct BrowserCommand {
    std::string_view method;
    Names names;
    Learn learn;
};
constexpr BrowserCommand kBrowserCommands[] = {
    {"Browser.getVersion", Names::Nothing, Learn::Nothing},
    {"Target.createBrowserContext", Names::Nothing, Learn::Context},
    {"Target.createTarget", Names::Context, Learn::Target},
    {"Target.attachToTarget", Names::Target, Learn::Session},
    {"Target.closeTarget", Names::Target, Learn::Nothing},
    {"Browser.setDownloadBehavior", Names::Context, Learn::Nothing},
};

// Domains whose commands reach past the page they are sent to: the browser
// and all its targets, its streams, its processes, tracing and memory of
// them all. On a page's session only these of them are sent on: the
// browser's version, and the frames of the page attached under it.
constexpr std::string_view kPastThePage[] = {"Browser",   "Target",  "IO",    "SystemInfo",
                                             "Tethering", "Tracing", "Memory"};
constexpr std::string_view kOnAPage[] = {"Browser.getVersion", "Target.setAutoAttach",
                                         "Target.detachFromTarget"};

// Parameters that name a thing, on any session: each must be the capture's.
constexpr std::pair<std::string_view, Thing> kNamingParameters[] = {
    {"browserContextId", Thing::Context},
    {"targetId", Thing::Target},
    {"sessionId", Thing::Session},
};

bool contains(const auto& list, std::string_view item) {
    return std::ranges::find(list, item) != std::end(list);
}

// The name at the key; empty when there is none or it is not a text.
std::string nameAt(const json& params, std::string_view key) {
    const auto found = params.find(key);
    return found != params.end() && found->is_string() ? found->get<std::string>() : "";
}

// The first parameter naming what the capture did not make; empty when none.
std::string_view foreignName(const json& params, const Owns& owns) {
    for (const auto& [key, thing] : kNamingParameters) {
        if (params.contains(key) && !owns(thing, nameAt(params, key))) return key;
    }
    return {};
}

Verdict refused(std::string why) { return {Verdict::Kind::Refuse, Learn::Nothing, std::move(why)}; }

Verdict onBrowserSession(std::string_view method, const json& params, const Owns& owns) {
    // On in the host from the start: each capture sees its own contexts' targets.
    if (method == "Target.setDiscoverTargets" && params.value("discover", json()) == true) {
        return {Verdict::Kind::AnswerHere};
    }
    const auto* rule = std::ranges::find(kBrowserCommands, method, &BrowserCommand::method);
    if (rule == std::end(kBrowserCommands)) {
        return refused(std::string(method) + " is not a command one capture may send");
    }
    const bool namesItsOwn =
        rule->names == Names::Nothing ||
        (rule->names == Names::Context &&
         owns(Thing::Context, nameAt(params, "browserContextId"))) ||
        (rule->names == Names::Target && owns(Thing::Target, nameAt(params, "targetId")));
    if (!namesItsOwn) return refused(std::string(method) + " names what this capture did not make");
    return {Verdict::Kind::Forward, rule->learn};
}

}  // namespace

bool isPrivateFolder(const FileFacts& folder, UserId self) {
    return folder.kind == FileKind::Folder && folder.owner == self &&
           (folder.mode & kGroupAndOthers) == 0;
}

bool isPrivateSocket(const FileFacts& socket, UserId self) {
    return socket.kind == FileKind::Socket && socket.owner == self &&
           (socket.mode & kGroupAndOthers) == 0;
}

bool admitsPeer(std::optional<UserId> peer, UserId self) { return peer == self; }

Turn onMessage(Stage stage, std::string_view message, const HostIdentity& host, bool browserReady) {
    switch (stage) {
        case Stage::AwaitingHello:
            // Said once, without waiting: it captures without a host.
            if (readHello(message) != host)
                return {Turn::Action::Close, stage, HostAnswer::Refused};
            // Served at once when the browser is there, else told to wait for it.
            return browserReady
                       ? Turn{Turn::Action::Answer, Stage::Served, HostAnswer::Serving}
                       : Turn{Turn::Action::Answer, Stage::AwaitingBrowser, HostAnswer::Starting};
        case Stage::AwaitingBrowser:
            return {Turn::Action::Close, stage};  // it speaks before it was answered
        case Stage::Served:
            if (isRetire(message)) return {Turn::Action::Retire, stage};
            // The host's own words are the host's to say.
            if (isHostMessage(message)) return {Turn::Action::Close, stage};
            return {Turn::Action::Relay, stage};
    }
    return {};
}

std::size_t longestMessage(const Bounds& bounds, Stage stage) {
    switch (stage) {
        case Stage::AwaitingHello:
            return bounds.helloBytes;
        case Stage::AwaitingBrowser:
            return 0;  // not a word until it is answered
        case Stage::Served:
            return bounds.commandBytes;
    }
    return 0;
}

bool keepsUp(const Bounds& bounds, std::size_t queuedBytes, std::size_t largestQueued) {
    return queuedBytes - std::min(queuedBytes, largestQueued) <= bounds.queuedBytes;
}

Verdict judgeCommand(Session session, std::string_view method, const json& params,
                     const Owns& owns) {
    if (const std::string_view key = foreignName(params, owns); !key.empty()) {
        return refused(std::string(method) + " names a " + std::string(key) +
                       " this capture did not make");
    }
    if (session == Session::Browser) return onBrowserSession(method, params, owns);
    const std::string_view domain = method.substr(0, method.find('.'));
    if (contains(kPastThePage, domain) && !contains(kOnAPage, method)) {
        return refused(std::string(method) + " reaches past the capture's own page");
    }
    return {Verdict::Kind::Forward};
}

}  // namespace orlenda::iecapt::host_access
