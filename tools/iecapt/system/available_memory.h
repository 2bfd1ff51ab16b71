#pragma once

#include <cstdint>
#include <optional>

namespace orlenda::iecapt {

// The memory the system could give the browser now, in bytes: what is free
// and what it can reclaim without swapping. Empty when the system does not
// say.
std::optional<std::int64_t> availableMemory();

}  // namespace orlenda::iecapt
