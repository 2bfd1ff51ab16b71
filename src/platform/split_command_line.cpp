#include "platform/split_command_line.h"

namespace orlenda::platform {
namespace {

bool IsBlank(char character) { return character == ' ' || character == '\t'; }

// The program's name: quotes group, nothing is escaped.
std::string TakeProgramName(std::string_view line, std::size_t& at) {
    std::string name;
    bool quoted = false;
    for (; at < line.size() && (quoted || !IsBlank(line[at])); ++at) {
        if (line[at] == '"') {
            quoted = !quoted;
        } else {
            name += line[at];
        }
    }
    return name;
}

std::string TakeArgument(std::string_view line, std::size_t& at) {
    std::string argument;
    bool quoted = false;
    while (at < line.size()) {
        std::size_t backslashes = 0;
        while (at < line.size() && line[at] == '\\') {
            ++backslashes;
            ++at;
        }
        if (at < line.size() && line[at] == '"') {
            argument.append(backslashes / 2, '\\');
            if (backslashes % 2 == 1) {
                argument += '"';
            } else if (quoted && at + 1 < line.size() && line[at + 1] == '"') {
                argument += '"';  // a doubled quote inside quotes stands for itself
                ++at;
            } else {
                quoted = !quoted;
            }
            ++at;
            continue;
        }
        argument.append(backslashes, '\\');
        if (at == line.size() || (!quoted && IsBlank(line[at]))) break;
        argument += line[at++];
    }
    return argument;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    std::size_t at = 0;
    std::vector<std::string> arguments{TakeProgramName(commandLine, at)};
    for (;;) {
        while (at < commandLine.size() && IsBlank(commandLine[at])) ++at;
        if (at == commandLine.size()) return arguments;
        arguments.push_back(TakeArgument(commandLine, at));
    }
}

}  // namespace orlenda::platform
