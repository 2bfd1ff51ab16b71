#pragma once

#include <fstream>
#include <sstream>
#include <string>
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

// How one run of the stand-in was started.
struct ToolStart {
    std::string pid;
    bool sessionLeader = false;
    std::string openDescriptors;  // "0,1,2"
    std::string stdinTarget;
    std::vector<std::string> arguments;
};

struct ToolRecord {
    std::vector<ToolStart> starts;
    std::vector<std::string> endedPids;
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
        if (fields.size() >= 2 && fields[0] == kEndMark) record.endedPids.push_back(fields[1]);
        if (fields.size() >= 5 && fields[0] == kStartMark) {
            record.starts.push_back({fields[1],
                                     fields[2] == "1",
                                     fields[3],
                                     fields[4],
                                     {fields.begin() + 5, fields.end()}});
        }
    }
    return record;
}

}  // namespace orlenda::testing
