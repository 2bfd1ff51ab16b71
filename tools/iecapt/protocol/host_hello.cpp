#include "protocol/host_hello.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <utility>

namespace orlenda::iecapt {
namespace {

using nlohmann::json;

constexpr const char* kKey = "iecapt-host";
constexpr std::pair<HostAnswer, const char*> kAnswers[] = {
    {HostAnswer::Serving, "serving"},
    {HostAnswer::Starting, "starting"},
    {HostAnswer::Refused, "refused"},
};

json toJson(const HostIdentity& identity) {
    return {{"tool", identity.tool},
            {"browser", identity.browser},
            {"environment", identity.environment}};
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
                            identity.at("environment").get<std::vector<std::string>>()};
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

}  // namespace orlenda::iecapt
