#include <array>
#include <cstdio>
#include <utility>

#include "platform/processes.h"

namespace orlenda::platform {
namespace {

constexpr std::uint32_t kControlCExit = 0xC000013A;
// The top two bits of an NTSTATUS: 11 is an error, the class of every fault.
constexpr std::uint32_t kSeverityMask = 0xC0000000;

// The faults a program dies of most, in the words of their status names.
constexpr std::array<std::pair<std::uint32_t, const char*>, 17> kFaults = {{
    {0x80000003, "breakpoint"},
    {0xC0000005, "access violation"},
    {0xC0000006, "in-page error"},
    {0xC000001D, "illegal instruction"},
    {0xC0000025, "noncontinuable exception"},
    {0xC000008C, "array bounds exceeded"},
    {0xC000008E, "floating-point division by zero"},
    {0xC0000094, "integer division by zero"},
    {0xC0000095, "integer overflow"},
    {0xC0000096, "privileged instruction"},
    {0xC00000FD, "stack overflow"},
    {0xC0000135, "DLL not found"},
    {0xC0000139, "entry point not found"},
    {0xC0000142, "DLL initialization failed"},
    {0xC0000374, "heap corruption"},
    {0xC0000409, "stack buffer overrun"},
    {0xC0000417, "invalid parameter"},
}};

}  // namespace

ProcessStatus WindowsProcessEnd(std::uint32_t exitCode) {
    if (exitCode == kControlCExit) {
        return {.exitCode = exitCode, .ending = ProcessEnding::Killed, .cause = "Ctrl+C"};
    }
    for (const auto& [status, name] : kFaults) {
        if (status == exitCode) {
            return {.exitCode = exitCode, .ending = ProcessEnding::Crashed, .cause = name};
        }
    }
    if ((exitCode & kSeverityMask) != kSeverityMask) return {.exitCode = exitCode};
    std::array<char, 32> hex{};
    std::snprintf(hex.data(), hex.size(), "exception 0x%08X", static_cast<unsigned>(exitCode));
    return {.exitCode = exitCode, .ending = ProcessEnding::Crashed, .cause = hex.data()};
}

}  // namespace orlenda::platform
