#include "system/available_memory.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace orlenda::iecapt {
namespace {

TEST(AvailableMemoryTest, CountsAtLeastHalfTheFreePagesAndNoMoreThanTheMachineHas) {
    const std::int64_t pageSize = ::sysconf(_SC_PAGESIZE);
    const std::optional<std::int64_t> available = availableMemory();
    ASSERT_TRUE(available.has_value());
    EXPECT_GE(*available, ::sysconf(_SC_AVPHYS_PAGES) * pageSize / 2);
    EXPECT_LE(*available, ::sysconf(_SC_PHYS_PAGES) * pageSize);
}

}  // namespace
}  // namespace orlenda::iecapt
