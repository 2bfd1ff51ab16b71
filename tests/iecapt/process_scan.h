#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace orlenda::iecapt::testing {

// Tests find the processes a capture started by a marker in the environment,
// which every process inherits: never by name, as other browsers run too.

// Processes, other than zombies, whose environment holds the marker.
std::vector<pid_t> processesWithMarker(const std::string& marker);

// Waits, bounded, until no process holds the marker; true if none does.
bool noProcessesWithMarker(const std::string& marker, std::chrono::milliseconds limit);

// Waits, bounded, until a process other than `except` holds the marker.
bool waitForProcessWithMarker(const std::string& marker, pid_t except,
                              std::chrono::milliseconds limit);

}  // namespace orlenda::iecapt::testing
