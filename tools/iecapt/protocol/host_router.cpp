#include "protocol/host_router.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace orlenda::iecapt {
namespace {

using nlohmann::json;
using Learn = HostRouter::Learn;

constexpr std::string_view kIdPrefix = R"({"id":)";

// What a command sent to the browser itself, not to a page, must name of the
// capture's own; every other such command is refused.
enum class Owned { Nothing, Context, Target };
struct BrowserCommand {
    std::string_view method;
    Owned owned;
    Learn learn;
};
constexpr BrowserCommand kBrowserCommands[] = {
    {"Browser.getVersion", Owned::Nothing, Learn::Nothing},
    {"Target.createBrowserContext", Owned::Nothing, Learn::Context},
    {"Target.createTarget", Owned::Context, Learn::Target},
    {"Target.attachToTarget", Owned::Target, Learn::Session},
    {"Target.closeTarget", Owned::Target, Learn::Nothing},
    {"Browser.setDownloadBehavior", Owned::Context, Learn::Nothing},
};

// The text at the key; empty when there is none, or something else is there.
std::string textAt(const json& object, std::string_view key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : "";
}

const json& objectAt(const json& object, std::string_view key) {
    static const json kNone = json::object();
    const auto found = object.find(key);
    return found != object.end() && found->is_object() ? *found : kNone;
}

HostRouter::ClientId ownerIn(const std::map<std::string, HostRouter::ClientId>& owners,
                             const std::string& name) {
    const auto found = owners.find(name);
    return found == owners.end() ? 0 : found->second;
}

std::string errorReply(const json& id, const std::string& message) {
    return json{{"id", id}, {"error", {{"code", -32000}, {"message", message}}}}.dump();
}

// The id a reply of the browser begins with, read without parsing what may
// be megabytes of screenshot after it. Nothing when the message does not
// begin {"id":N (an event, or a reply written otherwise).
std::optional<int> leadingId(std::string_view message) {
    if (!message.starts_with(kIdPrefix)) return std::nullopt;
    const char* digits = message.data() + kIdPrefix.size();
    const char* end = message.data() + message.size();
    int id = 0;
    const auto [after, error] = std::from_chars(digits, end, id);
    if (error != std::errc{} || after == digits || *digits == '-' || after == end ||
        (*after != ',' && *after != '}')) {
        return std::nullopt;
    }
    return id;
}

// The reply with the capture's own id in place of the host's.
std::string withId(std::string reply, const json& id) {
    if (leadingId(reply)) {
        const auto end = reply.find_first_not_of("0123456789", kIdPrefix.size());
        return reply.replace(kIdPrefix.size(), end - kIdPrefix.size(), id.dump());
    }
    json parsed = json::parse(reply, nullptr, false);
    parsed["id"] = id;
    return parsed.dump();
}

}  // namespace

std::vector<std::string> HostRouter::start() {
    m_setupLeft = 2;
    return {post("Browser.getVersion", json::object(), Learn::HostReady),
            post("Target.setDiscoverTargets", {{"discover", true}}, Learn::HostReady)};
}

std::string HostRouter::post(const std::string& method, const json& params, Learn learn) {
    const int id = m_nextId++;
    m_pending[id] = {kHost, json(), learn};
    return json{{"id", id}, {"method", method}, {"params", params}}.dump();
}

HostRouter::Routed HostRouter::fromClient(ClientId client, std::string_view message) {
    json command = json::parse(message, nullptr, false);
    if (!command.is_object() || !command.contains("id")) return {};
    const json id = command["id"];
    const auto refuse = [&](const std::string& why) {
        return Routed{{}, {{client, errorReply(id, why)}}};
    };
    if (command.contains("sessionId")) {
        if (ownerIn(m_sessions, textAt(command, "sessionId")) != client) {
            return refuse("no such session");
        }
        return forward(client, std::move(command), Learn::Nothing);
    }
    const std::string method = textAt(command, "method");
    const json& params = objectAt(command, "params");
    if (method == "Target.setDiscoverTargets" && params.value("discover", json()) == true) {
        // On in the host from the start: each capture sees its own contexts' targets.
        return {{}, {{client, json{{"id", id}, {"result", json::object()}}.dump()}}};
    }
    const auto* rule = std::ranges::find(kBrowserCommands, method, &BrowserCommand::method);
    if (rule == std::end(kBrowserCommands)) {
        return refuse(method + " is not a command one capture may send");
    }
    const bool owned =
        rule->owned == Owned::Nothing ||
        (rule->owned == Owned::Context &&
         ownerIn(m_contexts, textAt(params, "browserContextId")) == client) ||
        (rule->owned == Owned::Target && ownerIn(m_targets, textAt(params, "targetId")) == client);
    if (!owned) return refuse(method + " names what this capture did not make");
    return forward(client, std::move(command), rule->learn);
}

HostRouter::Routed HostRouter::forward(ClientId client, json command, Learn learn) {
    const int hostId = m_nextId++;
    m_pending[hostId] = {client, command["id"], learn};
    command["id"] = hostId;
    return {{command.dump()}, {}};
}

HostRouter::Routed HostRouter::fromBrowser(std::string message) {
    std::optional<int> id = leadingId(message);
    if (!id) {
        const json parsed = json::parse(message, nullptr, false);
        if (!parsed.is_object()) return {};
        const auto found = parsed.find("id");
        if (found == parsed.end()) return onEvent(parsed, std::move(message));
        if (!found->is_number_integer()) return {};
        id = found->get<int>();
    }
    return onReply(*id, std::move(message));
}

HostRouter::Routed HostRouter::onReply(int hostId, std::string message) {
    const auto found = m_pending.find(hostId);
    if (found == m_pending.end()) return {};
    const Pending pending = std::move(found->second);
    m_pending.erase(found);
    // Only a reply that teaches something is read through: a screenshot's
    // megabytes pass untouched.
    if (pending.client == kHost)
        return onHostReply(json::parse(message, nullptr, false), pending.learn);
    if (pending.learn != Learn::Nothing) {
        learn(pending.client, json::parse(message, nullptr, false), pending.learn);
    }
    return {{}, {{pending.client, withId(std::move(message), pending.clientId)}}};
}

void HostRouter::learn(ClientId client, const json& reply, Learn learn) {
    if (!reply.is_object()) return;
    const json& result = objectAt(reply, "result");
    const auto note = [&](std::map<std::string, ClientId>& owners, std::string_view key) {
        if (const std::string name = textAt(result, key); !name.empty()) owners[name] = client;
    };
    switch (learn) {
        case Learn::Context:
            note(m_contexts, "browserContextId");
            break;
        case Learn::Target:
            note(m_targets, "targetId");
            break;
        case Learn::Session:
            note(m_sessions, "sessionId");
            break;
        case Learn::Nothing:
        case Learn::HostReady:
            break;
    }
}

HostRouter::Routed HostRouter::onHostReply(const json& reply, Learn learn) {
    const bool failed = !reply.is_object() || reply.contains("error");
    if (learn == Learn::HostReady && m_state == State::Starting) {
        if (failed) m_state = State::Failed;
        if (!failed && --m_setupLeft == 0) m_state = State::Ready;
    }
    // A context made for a capture that has gone meanwhile.
    const std::string context = textAt(objectAt(reply, "result"), "browserContextId");
    if (learn != Learn::Context || failed || context.empty()) return {};
    return {{post("Target.disposeBrowserContext", {{"browserContextId", context}}, Learn::Nothing)},
            {}};
}

HostRouter::Routed HostRouter::onEvent(const json& event, std::string message) {
    ClientId owner = 0;
    const std::string method = textAt(event, "method");
    const json& params = objectAt(event, "params");
    const json& target = objectAt(params, "targetInfo");
    const std::string targetId = textAt(params.contains("targetId") ? params : target, "targetId");
    if (event.contains("sessionId")) {
        owner = ownerIn(m_sessions, textAt(event, "sessionId"));
        // A page's session attaches to its frames' targets by itself: those
        // sessions and targets are the page's capture's too.
        const std::string child = textAt(params, "sessionId");
        if (owner != 0 && !child.empty() && method == "Target.attachedToTarget") {
            m_sessions[child] = owner;
            if (!targetId.empty()) m_targets[targetId] = owner;
        } else if (owner != 0 && method == "Target.detachedFromTarget") {
            m_sessions.erase(child);
        }
    } else if (method == "Target.targetCreated" || method == "Target.targetInfoChanged" ||
               method == "Target.attachedToTarget") {
        owner = ownerIn(m_contexts, textAt(target, "browserContextId"));
        if (owner != 0 && !targetId.empty()) m_targets[targetId] = owner;
        const std::string session = textAt(params, "sessionId");
        if (owner != 0 && !session.empty()) m_sessions[session] = owner;
    } else if (method == "Target.targetDestroyed" || method == "Target.targetCrashed") {
        owner = ownerIn(m_targets, targetId);
        if (method == "Target.targetDestroyed") m_targets.erase(targetId);
    } else if (method == "Target.detachedFromTarget") {
        owner = ownerIn(m_sessions, textAt(params, "sessionId"));
        m_sessions.erase(textAt(params, "sessionId"));
    }
    if (owner == 0) return {};
    return {{}, {{owner, std::move(message)}}};
}

HostRouter::Routed HostRouter::clientGone(ClientId client) {
    Routed routed;
    for (auto context = m_contexts.begin(); context != m_contexts.end();) {
        if (context->second != client) {
            ++context;
            continue;
        }
        routed.toBrowser.push_back(post("Target.disposeBrowserContext",
                                        {{"browserContextId", context->first}}, Learn::Nothing));
        context = m_contexts.erase(context);
    }
    const auto ownedByIt = [&](const auto& entry) { return entry.second == client; };
    std::erase_if(m_targets, ownedByIt);
    std::erase_if(m_sessions, ownedByIt);
    for (auto& [id, pending] : m_pending) {
        if (pending.client != client) continue;
        // Its answers are for nobody now, but a context made for it after all
        // is disposed of as soon as the browser names it.
        pending.client = kHost;
        if (pending.learn != Learn::Context) pending.learn = Learn::Nothing;
    }
    return routed;
}

}  // namespace orlenda::iecapt
