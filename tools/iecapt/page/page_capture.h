#pragma once

#include <string>
#include <vector>

#include "common/deadline.h"
#include "common/timings.h"
#include "options/options.h"
#include "picture/picture_plan.h"
#include "protocol/devtools_session.h"

namespace orlenda::iecapt {

struct CapturedPage {
    std::string image;   // encoded in the options' format
    int httpStatus = 0;  // of the main document; 0 when not over HTTP
    std::string httpStatusText;
    std::vector<std::string> warnings;  // one line each: what the picture may lack
    std::vector<std::string> notes;     // one line each: what was done to the page
};

// Loads the address in the running browser and takes the picture: waits for
// the load event (or, when only the page's own resources hang, for a part of
// the time-out), lets the page settle within --settle (network quiet,
// animations ended, no more changes, lazy content asked for by a scroll
// through the page, back at the top), waits the delay, and captures, in one
// shot or, when the page is larger than the browser takes exactly at once,
// in parts joined into one image. Dialogs are dismissed and downloads refused
// on the way, and, given consent rules (autoconsent's standalone script),
// consent banners answered with the least consent. Throws a CaptureFailure
// when the page cannot be loaded or captured.
CapturedPage capturePage(DevToolsSession& session, const std::string& url,
                         const CaptureOptions& options, const std::string& consentRules,
                         Deadline deadline, Timings& timings);

// Whether a target the browser reports is a window the captured page opened:
// a page in the capture's own context, other than the one captured. Another
// capture's pages, in contexts of their own, never are.
bool isOtherWindow(const nlohmann::json& targetInfo, std::string_view contextId,
                   std::string_view ownTarget);

}  // namespace orlenda::iecapt
