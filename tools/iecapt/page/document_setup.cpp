#include "page/document_setup.h"

namespace orlenda::iecapt {

using nlohmann::json;

std::vector<SetupCommand> documentSetup(const DocumentSetup& setup, bool frameTarget) {
    std::vector<SetupCommand> commands;
    const auto add = [&](const char* method, json params) {
        commands.push_back({method, std::move(params)});
    };
    if (!frameTarget) add("Inspector.enable", json::object());
    add("Page.enable", json::object());
    if (!frameTarget) add("Page.setLifecycleEventsEnabled", {{"enabled", true}});
    add("Page.addScriptToEvaluateOnNewDocument", {{"source", setup.activityWatch}});
    // Post data stays out of the events (a page may post 100 MB), and the
    // browser keeps little of the bodies it loads: the tool reads none.
    add("Network.enable", {{"maxPostDataSize", 1},
                           {"maxTotalBufferSize", 1 << 20},
                           {"maxResourceBufferSize", 1 << 20}});
    // A frame takes its size from the page.
    if (!frameTarget) {
        add("Emulation.setDeviceMetricsOverride", {{"width", setup.width},
                                                   {"height", setup.height},
                                                   {"deviceScaleFactor", 1},
                                                   {"mobile", false}});
    }
    // The headless shell sends no Accept-Language of its own; this is the one
    // the full browser sends headless, whatever the system's language.
    if (!setup.userAgent.empty()) {
        add("Emulation.setUserAgentOverride",
            {{"userAgent", setup.userAgent}, {"acceptLanguage", "en-US,en;q=0.9"}});
    }
    if (setup.cpuSlowdown > 1) add("Emulation.setCPUThrottlingRate", {{"rate", setup.cpuSlowdown}});
    if (setup.ignoreCertificateErrors)
        add("Security.setIgnoreCertificateErrors", {{"ignore", true}});
    // Its frames and workers, each paused until let go on (the browser
    // pauses a worker too, whatever it attaches to); a window the page opens
    // is another page, left alone.
    add("Target.setAutoAttach",
        {{"autoAttach", true}, {"waitForDebuggerOnStart", true}, {"flatten", true}});
    if (frameTarget) add("Runtime.runIfWaitingForDebugger", json::object());
    return commands;
}

}  // namespace orlenda::iecapt
