#pragma once

#include <chrono>
#include <string>

#include "common/deadline.h"
#include "protocol/devtools_session.h"

namespace orlenda::iecapt {

// Whether the page's picture still changes: two small shots of its window a
// quiet period apart, the same image twice byte for byte being a still one.
// A change that paints nothing is no change. A shot the browser does not
// give (a document coming in its place) tells nothing: counted as a change.
bool pictureStillChanges(DevToolsSession& session, const std::string& pageSession, int width,
                         int height, std::chrono::milliseconds quiet, Deadline deadline);

}  // namespace orlenda::iecapt
