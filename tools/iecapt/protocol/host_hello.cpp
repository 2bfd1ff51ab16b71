#include "protocol/host_hello.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <utility>

namespace orlenda::iecapt {
namespace {

using nlohmann::json;

constexpr const char* kKey = "iecapt-host";
// How the host's words after the hello begin, as json writes them.
constexpr std::string_view kHostMessageStart = R"({"iecapt-host":)";
constexpr std::pair<HostAnswer, const char*> kAnswers[] = {
    {HostAnswer::Serving, "serving"},
    {HostAnswer::Starting, "starting"},
    {HostAnswer::Refused, "refused"},
};

json toJson(const HostIdentity& identity) {
    return {{"tool", identity.tool},
            {"browser", identity.browser},
            {"environment", identity.environment},
            {"limits", identity.limits}};
}

// Nothing when the message is not the given step of a hello, or its
// identity is incomplete.
std::optional<HostIdentity> identityIn(std::string_view message, std::string_view step) {
    const json parsed = json::parse(message, nullptr, false);
    if (!parsed.is_object() || parsed.value(kKey, json()) != step) return std::nullopt;
    const json identity = parsed.value("identity", json());
    try {
        return HostIdentity{identity.at("tool").get<std::string>(),
                            identity.at("browser").get<std::string>(),
                            identity.at("environment").get<std::vector<std::string>>(),
                            identity.at("limits").get<std::vector<std::string>>()};
    } catch (const json::exception&) {
        return std::nullopt;
    }
}

}  // namespace

std::string helloText(const HostIdentity& capture) {
    return json{{kKey, "hello"}, {"identity", toJson(capture)}}.dump();
}

std::optional<HostIdentity> readHello(std::string_view message) {
    return identityIn(message, "hello");
}

std::string answerText(const HostIdentity& host, HostAnswer answer) {
    const auto named =
        std::ranges::find(kAnswers, answer, &std::pair<HostAnswer, const char*>::first);
    return json{{kKey, named->second}, {"identity", toJson(host)}}.dump();
}

HostAnswer readAnswer(std::string_view answer, const HostIdentity& capture) {
    for (const auto& [kind, step] : kAnswers) {
        if (kind != HostAnswer::Refused && identityIn(answer, step) == capture) return kind;
    }
    return HostAnswer::Refused;
}

bool isHostMessage(std::string_view message) { return message.starts_with(kHostMessageStart); }

std::string retireText() { return json{{kKey, "retire"}}.dump(); }

bool isRetire(std::string_view message) {
    const json parsed = json::parse(message, nullptr, false);
    return parsed.is_object() && parsed.value(kKey, json()) == "retire";
}

std::string endedText(std::string_view reason) {
    return json{{kKey, "ended"}, {"reason", reason}}.dump();
}

std::optional<std::string> readEnded(std::string_view message) {
    const json parsed = json::parse(message, nullptr, false);
    if (!parsed.is_object() || parsed.value(kKey, json()) != "ended") return std::nullopt;
    const json reason = parsed.value("reason", json());
    return reason.is_string() ? reason.get<std::string>() : std::string();
}

}  // namespace orlenda::iecapt
