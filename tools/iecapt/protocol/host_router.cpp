#include "protocol/host_router.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace orlenda::iecapt {
namespace {

using host_access::Learn;
using host_access::Thing;
using host_access::Verdict;
using nlohmann::json;

constexpr std::string_view kIdPrefix = R"({"id":)";

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

json errorReply(const std::string& message) {
    return {{"error", {{"code", -32000}, {"message", message}}}};
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
    return {post("Browser.getVersion", json::object(), Learn::Nothing, true),
            post("Target.setDiscoverTargets", {{"discover", true}}, Learn::Nothing, true)};
}

std::string HostRouter::post(const std::string& method, const json& params, Learn learn,
                             bool hostSetUp) {
    const int id = m_nextId++;
    m_pending[id] = {kHost, json(), learn, hostSetUp};
    return json{{"id", id}, {"method", method}, {"params", params}}.dump();
}

std::map<std::string, HostRouter::ClientId>& HostRouter::ownersOf(Thing thing) {
    switch (thing) {
        case Thing::Context:
            return m_contexts;
        case Thing::Target:
            return m_targets;
        case Thing::Session:
            break;
    }
    return m_sessions;
}

HostRouter::Routed HostRouter::fromClient(ClientId client, std::string_view message) {
    json command = json::parse(message, nullptr, false);
    if (!command.is_object() || !command.contains("id")) return {};
    const json id = command["id"];
    const auto answer = [&](const json& reply) {
        json answered = reply;
        answered["id"] = id;
        return Routed{{}, {{client, answered.dump()}}};
    };
    const bool onPage = command.contains("sessionId");
    if (onPage && ownerIn(m_sessions, textAt(command, "sessionId")) != client) {
        return answer(errorReply("no such session"));
    }
    const Verdict verdict = host_access::judgeCommand(
        onPage ? host_access::Session::Page : host_access::Session::Browser,
        textAt(command, "method"), objectAt(command, "params"),
        [&](Thing thing, const std::string& name) {
            return ownerIn(ownersOf(thing), name) == client;
        });
    switch (verdict.kind) {
        case Verdict::Kind::Refuse:
            return answer(errorReply(verdict.why));
        case Verdict::Kind::AnswerHere:
            return answer({{"result", json::object()}});
        case Verdict::Kind::Forward:
            break;
    }
    return forward(client, std::move(command), verdict.learn);
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

HostRouter::ClientId HostRouter::concerns(const DroppedMessage& dropped) {
    if (const std::optional<int> id = leadingId(dropped.head)) {
        const auto found = m_pending.find(*id);
        if (found == m_pending.end()) return kHost;
        const ClientId client = found->second.client;
        m_pending.erase(found);
        return client;
    }
    // The browser writes a session's id last: ...,"sessionId":"..."}
    constexpr std::string_view kSessionKey = R"("sessionId":")";
    const std::string_view tail = dropped.tail;
    const auto key = tail.rfind(kSessionKey);
    if (key == std::string_view::npos || !tail.ends_with("\"}")) return kHost;
    const auto name = tail.substr(key + kSessionKey.size());
    return ownerIn(m_sessions, std::string(name.substr(0, name.size() - 2)));
}

HostRouter::Routed HostRouter::onReply(int hostId, std::string message) {
    const auto found = m_pending.find(hostId);
    if (found == m_pending.end()) return {};
    const Pending pending = std::move(found->second);
    m_pending.erase(found);
    // Only a reply that teaches something is read through: a screenshot's
    // megabytes pass untouched.
    if (pending.client == kHost) return onHostReply(json::parse(message, nullptr, false), pending);
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
            break;
    }
}

HostRouter::Routed HostRouter::onHostReply(const json& reply, const Pending& pending) {
    const bool failed = !reply.is_object() || reply.contains("error");
    if (pending.hostSetUp && m_state == State::Starting) {
        if (failed) m_state = State::Failed;
        if (!failed && --m_setupLeft == 0) m_state = State::Ready;
    }
    // A context made for a capture that has gone meanwhile.
    const std::string context = textAt(objectAt(reply, "result"), "browserContextId");
    if (pending.learn != Learn::Context || failed || context.empty()) return {};
    return {{post("Target.disposeBrowserContext", {{"browserContextId", context}}, Learn::Nothing)},
            {}};
}

HostRouter::Routed HostRouter::onEvent(const json& event, std::string message) {
    const std::string method = textAt(event, "method");
    const json& params = objectAt(event, "params");
    const json& target = objectAt(params, "targetInfo");
    const std::string targetId = textAt(params.contains("targetId") ? params : target, "targetId");
    const std::string session = textAt(params, "sessionId");
    const bool attached = method == "Target.attachedToTarget";
    ClientId owner = 0;
    if (event.contains("sessionId")) {
        // A frame attached under a capture's page is that capture's too.
        owner = ownerIn(m_sessions, textAt(event, "sessionId"));
    } else if (attached || method == "Target.targetCreated" ||
               method == "Target.targetInfoChanged") {
        owner = ownerIn(m_contexts, textAt(target, "browserContextId"));
    } else if (method == "Target.targetDestroyed" || method == "Target.targetCrashed") {
        owner = ownerIn(m_targets, targetId);
        if (method == "Target.targetDestroyed") m_targets.erase(targetId);
    } else if (method == "Target.detachedFromTarget") {
        owner = ownerIn(m_sessions, session);
    }
    if (owner == 0) return {};
    if (attached || method == "Target.targetCreated" || method == "Target.targetInfoChanged") {
        if (!targetId.empty()) m_targets[targetId] = owner;
        if (!session.empty()) m_sessions[session] = owner;
    }
    if (method == "Target.detachedFromTarget") m_sessions.erase(session);
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
