#include "page/picture_motion.h"

#include <memory>
#include <optional>

namespace orlenda::iecapt {
namespace {

using nlohmann::json;

// How long one small shot may take; a page between documents may give none.
constexpr std::chrono::milliseconds kShotTime{1000};

// The shot's bytes, as the browser encoded them; empty when it gave none in time.
std::string shotOf(DevToolsSession& session, const std::string& pageSession, int width, int height,
                   Deadline deadline) {
    // Kept by the handler: a shot that comes too late has somewhere to go.
    const auto data = std::make_shared<std::optional<std::string>>();
    session.post(
        "Page.captureScreenshot",
        {{"format", "jpeg"},
         {"quality", 50},
         {"clip", {{"x", 0}, {"y", 0}, {"width", width}, {"height", height}, {"scale", 0.5}}},
         {"fromSurface", true}},
        pageSession, [data](const json& reply) {
            *data = reply.value("result", json::object()).value("data", std::string());
        });
    session.waitUntil([&] { return data->has_value(); },
                      Deadline::after(kShotTime).orSooner(deadline));
    return data->value_or(std::string());
}

}  // namespace

bool pictureStillChanges(DevToolsSession& session, const std::string& pageSession, int width,
                         int height, std::chrono::milliseconds quiet, Deadline deadline) {
    const std::string first = shotOf(session, pageSession, width, height, deadline);
    const Deadline later = Deadline::after(quiet).orSooner(deadline);
    while (session.handleNextMessage(later)) {
    }
    const std::string second = shotOf(session, pageSession, width, height, deadline);
    return first.empty() || second != first;
}

}  // namespace orlenda::iecapt
