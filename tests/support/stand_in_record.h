#pragma once

#include <cstdint>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace orlenda::testing {

// The stand-in tool's environment: where it records and how long it sleeps,
// and how it ends for some addresses: a JSON object from the address to
// {"exit": code, "stderr": text}, with "image": true when it still writes
// the image, and on POSIX "signal": number to die of that signal once it has
// recorded its run. For any other address it writes the image and ends with 0.
inline constexpr char kRecordVariable[] = "ORLENDA_STAND_IN_RECORD";
inline constexpr char kSleepVariable[] = "ORLENDA_STAND_IN_SLEEP_MS";
inline constexpr char kEndingsVariable[] = "ORLENDA_STAND_IN_ENDINGS";
// A tool cut loose from the program that started it.
#ifdef _WIN32
inline constexpr char kDetached[] = "no console window";
#else
inline constexpr char kDetached[] = "own session, 0 more descriptors, stdin /dev/null";
#endif

// One run of the stand-in, recorded as a line as it ends. Times are on the
// monotonic clock, which all processes share.
struct ToolRun {
    std::int64_t started = 0;
    std::int64_t ended = 0;
    std::string detachment;
    std::vector<std::string> arguments;
};
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(ToolRun, started, ended, detachment, arguments)

inline std::vector<ToolRun> ReadToolRuns(const std::string& path) {
    std::vector<ToolRun> runs;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) runs.push_back(nlohmann::json::parse(line));
    return runs;
}

}  // namespace orlenda::testing
