#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace orlenda::iecapt {

// How every document of the page is to be shown: the page's own, and those
// of its frames that the browser runs in targets of their own.
struct DocumentSetup {
    std::string activityWatch = {};  // the script in the page's world before its first one
    int width = 0;
    int height = 0;
    std::string userAgent = {};  // empty: the browser's own
    int cpuSlowdown = 1;
    bool ignoreCertificateErrors = false;
};

struct SetupCommand {
    std::string method;
    nlohmann::json params;
};

// The commands that set up the page's target (frameTarget false) or a frame's
// target the browser attached to paused, in the order they are to be sent:
// watched from before its first script, sending what the page sends, as slow
// as the page, attaching to the frames of other sites it holds, and (a
// frame's) let go on last.
std::vector<SetupCommand> documentSetup(const DocumentSetup& setup, bool frameTarget);

}  // namespace orlenda::iecapt
