#include <gtest/gtest.h>

#include "platform/processes.h"

namespace orlenda::platform {
namespace {

TEST(WindowsProcessEnd, TellsACrashOrAStopFromAnExitByItsCode) {
    const ProcessStatus ends[] = {
        {.exitCode = 0},
        {.exitCode = 259},
        {.exitCode = 0x40010004},  // a status, but no fault
        {.exitCode = 0xC0000005, .ending = ProcessEnding::Crashed, .cause = "access violation"},
        {.exitCode = 0xC0000409, .ending = ProcessEnding::Crashed, .cause = "stack buffer overrun"},
        {.exitCode = 0xC0001234, .ending = ProcessEnding::Crashed, .cause = "exception 0xC0001234"},
        {.exitCode = 0xC000013A, .ending = ProcessEnding::Killed, .cause = "Ctrl+C"},
    };
    for (const ProcessStatus& end : ends) EXPECT_EQ(WindowsProcessEnd(end.exitCode), end);
}

}  // namespace
}  // namespace orlenda::platform
