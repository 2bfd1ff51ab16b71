#include "system/capture_host.h"

#include <algorithm>

namespace orlenda::iecapt::capture_host {
namespace {

// What reaches the browser but changes nothing it does: the folders the
// tool gives it in place of the user's, the shell's own bookkeeping, and the
// host's own settings. Everything else may (proxies of every spelling, the
// time zone, the language, fonts, and whatever the libraries under the
// browser read) and is compared.
constexpr std::string_view kChangesNothing[] = {
    "HOME",
    "XDG_CONFIG_HOME",
    "XDG_CACHE_HOME",
    "XDG_DATA_HOME",
    "XDG_STATE_HOME",
    "TMPDIR",
    "PWD",
    "OLDPWD",
    "SHLVL",
    "_",
    "IECAPT_HOST_IDLE",
    "IECAPT_NO_HOST",
};

}  // namespace

HostIdentity identityOf(const std::string& toolBuild, const std::string& browser,
                        const std::vector<std::string>& environment,
                        std::vector<std::string> limits) {
    HostIdentity identity{toolBuild, browser, {}, std::move(limits)};
    for (const std::string& entry : environment) {
        const std::string_view name = std::string_view(entry).substr(0, entry.find('='));
        if (std::ranges::find(kChangesNothing, name) == std::end(kChangesNothing)) {
            identity.environment.push_back(entry);
        }
    }
    std::ranges::sort(identity.environment);
    std::ranges::sort(identity.limits);
    return identity;
}

}  // namespace orlenda::iecapt::capture_host

namespace orlenda::iecapt {

void retireHost(MessageChannel& host) {
    using namespace std::chrono_literals;
    host.send(retireText(), Deadline::after(1s));
}

}  // namespace orlenda::iecapt
