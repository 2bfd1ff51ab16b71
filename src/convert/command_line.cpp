#include "convert/command_line.h"

#include "platform/files.h"

namespace orlenda {
namespace {

bool IsBlank(char character) { return character == ' ' || character == '\t'; }

bool MustBeEncoded(unsigned char character) {
    return character == ' ' || character == '"' || character < 0x20 || character == 0x7F;
}

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

std::string CaptureToolPath(const std::string& programFolder) {
    return programFolder + platform::kPathSeparator + kCaptureToolName;
}

std::string EncodeUnsafeAddressCharacters(std::string_view address) {
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(address.size());
    for (const char character : address) {
        const auto code = static_cast<unsigned char>(character);
        if (MustBeEncoded(code)) {
            encoded += '%';
            encoded += kHexDigits[code >> 4];
            encoded += kHexDigits[code & 0x0F];
        } else {
            encoded += character;
        }
    }
    return encoded;
}

std::string QuoteArgument(std::string_view argument) {
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char character : argument) {
        if (character == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        const bool beforeQuote = character == '"';
        quoted.append(beforeQuote ? 2 * backslashes + 1 : backslashes, '\\');
        quoted += character;
        backslashes = 0;
    }
    // ... and so are those before the closing quote.
    quoted.append(2 * backslashes, '\\');
    quoted += '"';
    return quoted;
}

std::string BuildCaptureCommandLine(std::string_view toolPath, std::string_view address,
                                    std::string_view outputPath) {
    std::string line = "\"";
    line += toolPath;
    line += "\" --url=";
    line += EncodeUnsafeAddressCharacters(address);
    line += " --out=";
    line += QuoteArgument(outputPath);
    return line;
}

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    std::size_t at = 0;
    std::vector<std::string> arguments{TakeProgramName(commandLine, at)};
    for (;;) {
        while (at < commandLine.size() && IsBlank(commandLine[at])) ++at;
        if (at == commandLine.size()) return arguments;
        arguments.push_back(TakeArgument(commandLine, at));
    }
}

}  // namespace orlenda
