#pragma once

#include <array>
#include <string>

#include "platform/processes.h"

namespace orlenda::testing {

// All that the process has written to its standard error so far, read as the
// capture runner reads it: piece by piece from the start.
inline std::string ErrorOutputOf(platform::Processes& processes, platform::ProcessHandle handle) {
    std::string output;
    std::array<char, 4096> buffer{};
    while (const std::size_t got =
               processes.readErrorOutput(handle, output.size(), buffer.data(), buffer.size())) {
        output.append(buffer.data(), got);
    }
    return output;
}

}  // namespace orlenda::testing
