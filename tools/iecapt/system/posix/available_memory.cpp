#include "system/available_memory.h"

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace orlenda::iecapt {

std::optional<std::int64_t> availableMemory() {
    // Linux counts the caches it can drop; free pages alone would say too little.
    std::ifstream meminfo("/proc/meminfo");
    constexpr std::string_view kAvailable = "MemAvailable:";
    for (std::string line; std::getline(meminfo, line);) {
        std::int64_t kibibytes = 0;
        if (line.starts_with(kAvailable) &&
            std::istringstream(line.substr(kAvailable.size())) >> kibibytes) {
            return kibibytes * 1024;
        }
    }
    const long pages = ::sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return std::nullopt;
    return static_cast<std::int64_t>(pages) * pageSize;
}

}  // namespace orlenda::iecapt
