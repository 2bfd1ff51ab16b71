#include "page/tool_world.h"

namespace orlenda::iecapt {
namespace {

using nlohmann::json;

constexpr const char* kWorldName = "orlenda";

}  // namespace

void ToolWorld::handle(const json& event) {
    if (event.value("method", std::string()) != "Page.frameNavigated") return;
    const json& frame = event.value("params", json::object()).value("frame", json::object());
    setUp(frame.value("id", std::string()), !frame.contains("parentId"));
}

void ToolWorld::setUp(const std::string& frameId, bool mainFrame) {
    if (mainFrame) m_mainContext.reset();
    const int document = mainFrame ? ++m_mainDocument : 0;
    // The world of the frame's document as it is when the browser gets to
    // this: a later document asks again, and the set-up runs only once a world.
    m_session.post(
        "Page.createIsolatedWorld", {{"frameId", frameId}, {"worldName", kWorldName}}, m_sessionId,
        [this, document](const json& reply) {
            const json context =
                reply.value("result", json::object()).value("executionContextId", json());
            if (!context.is_number_integer()) return;
            m_session.post("Runtime.evaluate", {{"expression", m_setup}, {"contextId", context}},
                           m_sessionId, [](const json&) {});
            if (document != 0 && document == m_mainDocument) m_mainContext = context.get<int>();
        });
}

bool ToolWorld::waitForWorld(Deadline deadline) {
    return m_session.waitUntil([this] { return m_mainContext.has_value(); }, deadline);
}

json ToolWorld::evaluate(const std::string& script, bool awaitPromise, Deadline deadline) {
    if (!m_mainContext) return json::object();
    const int id = m_session.post("Runtime.evaluate",
                                  {{"expression", script},
                                   {"contextId", *m_mainContext},
                                   {"awaitPromise", awaitPromise},
                                   {"returnByValue", true}},
                                  m_sessionId);
    const json reply = m_session.replyTo(id, deadline);
    const json value = reply.value("result", json::object())
                           .value("result", json::object())
                           .value("value", json());
    return value.is_object() ? value : json::object();
}

}  // namespace orlenda::iecapt
