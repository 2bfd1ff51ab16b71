#include "system/browser_process.h"

#include <algorithm>
#include <cctype>

namespace orlenda::iecapt {
namespace {

bool sameName(std::string_view a, std::string_view b, VariableNames names) {
    if (names == VariableNames::CaseSensitive) return a == b;
    return std::ranges::equal(
        a, b, [](unsigned char x, unsigned char y) { return std::toupper(x) == std::toupper(y); });
}

}  // namespace

std::vector<std::string> browserArguments(const std::string& browser,
                                          const std::string& profileFolder, bool asRoot) {
    std::vector<std::string> arguments = {
        browser,
        "--headless",
        "--remote-debugging-pipe",
        "--user-data-dir=" + profileFolder,
        // Quiet on a closed network: no updates, reports, sync or lookups.
        "--no-first-run",
        "--no-default-browser-check",
        "--disable-background-networking",
        "--disable-component-update",
        "--disable-sync",
        "--disable-default-apps",
        "--disable-extensions",
        "--disable-breakpad",
        "--disable-domain-reliability",
        "--disable-client-side-phishing-detection",
        "--safebrowsing-disable-auto-update",
        "--metrics-recording-only",
        "--no-pings",
        "--password-store=basic",
        // One switch, split over lines.  NOLINTNEXTLINE(bugprone-suspicious-missing-comma)
        "--disable-features=Translate,OptimizationHints,MediaRouter,DialMediaRouteProvider,"
        "CertificateTransparencyComponentUpdater,AutofillServerCommunication,"
        // Pages of the browser's own interface that a headless capture never shows.
        "WebUIOmniboxPopup,WebUIOmniboxAimPopup",
        // Steady rendering of a page nobody looks at.
        "--disable-dev-shm-usage",
        "--hide-scrollbars",
        "--mute-audio",
        "--disable-background-timer-throttling",
        "--disable-renderer-backgrounding",
        "--disable-backgrounding-occluded-windows",
        "--disable-hang-monitor",
        "--disable-prompt-on-repost",
        "--force-color-profile=srgb",
    };
    // Chromium refuses to start as root with its sandbox.
    if (asRoot) arguments.emplace_back("--no-sandbox");
    // No first window: every capture opens a page in a context of its own,
    // and the address to capture never goes on this line.
    arguments.emplace_back("--no-startup-window");
    return arguments;
}

BrowserProcess startBrowserIn(const ProfileFolder& folder, const std::string& browser) {
    return BrowserProcess(
        browserArguments(browser, folder.profile(), runningAsRoot()),
        browserEnvironment(currentEnvironment(), folder.home(), folder.temporaryFiles()),
        folder.browserLog());
}

void endBrowserIn(const ProfileFolder& folder, BrowserProcess& process) {
    // The files go while the browser's processes die; stop() then only makes
    // sure they have.
    process.kill();
    folder.removeBrowserFiles();
    process.stop();
}

std::vector<std::string> environmentWith(
    const std::vector<std::string>& inherited,
    const std::vector<std::pair<std::string, std::string>>& placed, VariableNames names) {
    std::vector<std::string> environment;
    for (const std::string& entry : inherited) {
        // Windows keeps a hidden "=C:=C:\folder" entry per drive: its name
        // starts after the first character.
        const std::string name = entry.substr(0, entry.find('=', 1));
        if (std::ranges::none_of(placed,
                                 [&](const auto& p) { return sameName(p.first, name, names); })) {
            environment.push_back(entry);
        }
    }
    for (const auto& [name, value] : placed)
        environment.push_back(std::string(name).append("=").append(value));
    return environment;
}

}  // namespace orlenda::iecapt
