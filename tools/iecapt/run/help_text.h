#pragma once

#include <string>

namespace orlenda::iecapt {

// What --help and --version print. The help names where this platform looks
// for the browser and how a stop ends, so it sits above the system halves.
std::string helpText();
std::string versionText();

}  // namespace orlenda::iecapt
