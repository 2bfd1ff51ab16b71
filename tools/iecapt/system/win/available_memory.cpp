#include "system/available_memory.h"

#include <windows.h>

namespace orlenda::iecapt {

std::optional<std::int64_t> availableMemory() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!::GlobalMemoryStatusEx(&status)) return std::nullopt;
    return static_cast<std::int64_t>(status.ullAvailPhys);
}

}  // namespace orlenda::iecapt
