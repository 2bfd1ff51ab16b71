#pragma once

#include <string>

#include "deadline.h"
#include "devtools_session.h"
#include "options.h"
#include "timings.h"

namespace orlenda::iecapt {

struct CapturedPage {
    std::string jpeg;
    int httpStatus = 0;  // of the main document; 0 when not over HTTP
    std::string httpStatusText;
};

// Loads the address in the running browser and takes the picture: waits for
// the load event, a quiet network (bounded), scrolls once through the page for
// lazy content when the whole page is wanted, waits the delay, and captures.
// Dialogs are dismissed and downloads refused on the way. Throws a
// CaptureFailure when the page cannot be loaded or captured.
CapturedPage capturePage(DevToolsSession& session, const std::string& url,
                         const CaptureOptions& options, Deadline deadline, Timings& timings);

}  // namespace orlenda::iecapt
