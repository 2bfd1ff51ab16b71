#pragma once

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace orlenda::testing {

// The stand-in tool's environment: where to record, what to do.
inline constexpr char kRecordVariable[] = "ORLENDA_STAND_IN_RECORD";
inline constexpr char kSleepVariable[] = "ORLENDA_STAND_IN_SLEEP_MS";
inline constexpr char kExitCodeVariable[] = "ORLENDA_STAND_IN_EXIT_CODE";
inline constexpr char kTouchOutputVariable[] = "ORLENDA_STAND_IN_TOUCH_OUTPUT";

inline constexpr char kStartMark[] = "start";
inline constexpr char kEndMark[] = "end";
// Fields are split by the unit separator, which no test argument holds.
inline constexpr char kFieldSeparator = '\x1f';

inline std::string JoinRecordFields(const std::vector<std::string>& fields) {
    std::string line;
    for (const std::string& field : fields) {
        if (!line.empty()) line += kFieldSeparator;
        line += field;
    }
    return line + '\n';
}

// How one run of the stand-in was started; times are on the monotonic clock.
struct ToolStart {
    std::string pid;
    std::int64_t startedNanoseconds = 0;
    bool sessionLeader = false;
    std::string openDescriptors;  // "0,1,2"
    std::string stdinTarget;
    std::vector<std::string> arguments;
};

struct ToolEnd {
    std::string pid;
    std::int64_t endedNanoseconds = 0;
};

struct ToolRecord {
    std::vector<ToolStart> starts;
    std::vector<ToolEnd> ends;
};

inline ToolRecord ReadToolRecord(const std::string& path) {
    ToolRecord record;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        std::vector<std::string> fields;
        std::stringstream stream(line);
        for (std::string field; std::getline(stream, field, kFieldSeparator);) {
            fields.push_back(field);
        }
        if (fields.size() >= 3 && fields[0] == kEndMark) {
            record.ends.push_back({fields[1], std::stoll(fields[2])});
        }
        if (fields.size() >= 6 && fields[0] == kStartMark) {
            ToolStart start{fields[1],        std::stoll(fields[2]),
                            fields[3] == "1", fields[4],
                            fields[5],        {fields.begin() + 6, fields.end()}};
            record.starts.push_back(std::move(start));
        }
    }
    return record;
}

}  // namespace orlenda::testing
