#pragma once

#include <string>

namespace orlenda::iecapt {

// The user agent a page is told, from the one the browser reports: without
// "Headless", which some sites turn away, and with the version cut to its
// major number as a desktop Chrome sends it (the headless shell reports all
// four numbers).
std::string desktopUserAgent(std::string reported);

}  // namespace orlenda::iecapt
