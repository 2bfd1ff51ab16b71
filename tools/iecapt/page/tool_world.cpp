#include "page/tool_world.h"

#include <memory>

namespace orlenda::iecapt {
namespace {

using nlohmann::json;

constexpr const char* kWorldName = "orlenda";

json valueOf(const json& reply) {
    const json value = reply.value("result", json::object())
                           .value("result", json::object())
                           .value("value", json());
    return value.is_object() ? value : json::object();
}

json evaluation(const std::string& script, int context, bool awaitPromise) {
    return {{"expression", script},
            {"contextId", context},
            {"awaitPromise", awaitPromise},
            {"returnByValue", true}};
}

}  // namespace

void ToolWorld::handle(const json& event) {
    const std::string method = event.value("method", std::string());
    const std::string session = event.value("sessionId", std::string());
    const json& params = event.value("params", json::object());
    if (method == "Page.frameNavigated") {
        const json& frame = params.value("frame", json::object());
        const bool mainFrame = session == m_pageSession && !frame.contains("parentId");
        // A frame on the browser's error page has nothing of the page's to
        // look at or answer.
        if (!mainFrame && frame.value("url", std::string()).starts_with("chrome-error:")) {
            m_frames.erase(frame.value("id", std::string()));
            return;
        }
        setUp(frame.value("id", std::string()), session, mainFrame);
    } else if (method == "Page.frameDetached" && params.value("reason", "") != "swap") {
        m_frames.erase(params.value("frameId", std::string()));
    } else if (method == "Target.detachedFromTarget") {
        const std::string gone = params.value("sessionId", std::string());
        std::erase_if(m_frames, [&](const auto& frame) { return frame.second.session == gone; });
    }
}

void ToolWorld::setUp(const std::string& frameId, const std::string& session, bool mainFrame) {
    int document = 0;
    if (mainFrame) {
        m_mainContext.reset();
        document = ++m_mainDocument;
    } else {
        FrameWorld& frame = m_frames[frameId];
        frame = {.session = session, .document = frame.document + 1, .context = std::nullopt};
        document = frame.document;
    }
    // The world of the frame's document as it is when the browser gets to
    // this: a later document asks again, and the set-up runs only once a world.
    m_session.post(
        "Page.createIsolatedWorld", {{"frameId", frameId}, {"worldName", kWorldName}}, session,
        [this, document, frameId, session, mainFrame](const json& reply) {
            const json context =
                reply.value("result", json::object()).value("executionContextId", json());
            if (!context.is_number_integer()) return;
            m_session.post("Runtime.evaluate", {{"expression", m_setup}, {"contextId", context}},
                           session, [](const json&) {});
            if (mainFrame && document == m_mainDocument) m_mainContext = context.get<int>();
            const auto frame = m_frames.find(frameId);
            if (!mainFrame && frame != m_frames.end() && frame->second.document == document) {
                frame->second.context = context.get<int>();
            }
        });
}

bool ToolWorld::waitForWorld(Deadline deadline) {
    return m_session.waitUntil([this] { return m_mainContext.has_value(); }, deadline);
}

json ToolWorld::evaluate(const std::string& script, bool awaitPromise, Deadline deadline) {
    if (!m_mainContext) return json::object();
    const int id = m_session.post("Runtime.evaluate",
                                  evaluation(script, *m_mainContext, awaitPromise), m_pageSession);
    return valueOf(m_session.replyTo(id, deadline));
}

std::vector<json> ToolWorld::evaluateInFrames(const std::string& script, Deadline deadline) {
    // Kept by the handlers: an answer that comes after the deadline has
    // somewhere to go.
    const auto answers = std::make_shared<std::vector<json>>();
    const auto left = std::make_shared<int>(0);
    for (const auto& [frameId, frame] : m_frames) {
        if (!frame.context) continue;
        ++*left;
        m_session.post("Runtime.evaluate", evaluation(script, *frame.context, false), frame.session,
                       [answers, left](const json& reply) {
                           --*left;
                           answers->push_back(valueOf(reply));
                       });
    }
    m_session.waitUntil([&] { return *left == 0; }, deadline);
    return std::move(*answers);
}

}  // namespace orlenda::iecapt
