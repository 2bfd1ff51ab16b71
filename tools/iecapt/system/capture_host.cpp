#include "system/capture_host.h"

#include <algorithm>

namespace orlenda::iecapt::capture_host {
namespace {

// The variables the browser reads that can change a picture: when the time,
// the language, the fonts or the way to the network differ, the captures
// need a browser of their own.
bool shapesPicture(std::string_view name) {
    constexpr std::string_view kNames[] = {
        "TZ",
        "LANG",
        "LANGUAGE",
        "FONTCONFIG_FILE",
        "FONTCONFIG_PATH",
        "FONTCONFIG_SYSROOT",
        "http_proxy",
        "https_proxy",
        "no_proxy",
        "all_proxy",
        "HTTP_PROXY",
        "HTTPS_PROXY",
        "NO_PROXY",
        "ALL_PROXY",
    };
    return name.starts_with("LC_") || std::ranges::find(kNames, name) != std::end(kNames);
}

}  // namespace

HostIdentity identityOf(const std::string& toolBuild, const std::string& browser,
                        const std::vector<std::string>& environment) {
    HostIdentity identity{toolBuild, browser, {}};
    for (const std::string& entry : environment) {
        if (shapesPicture(std::string_view(entry).substr(0, entry.find('=')))) {
            identity.environment.push_back(entry);
        }
    }
    std::ranges::sort(identity.environment);
    return identity;
}

}  // namespace orlenda::iecapt::capture_host
