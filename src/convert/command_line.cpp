#include "convert/command_line.h"

#include "convert/text_length.h"
#include "platform/files.h"

namespace orlenda {
namespace {

constexpr std::string_view kUrlOption = "--url=";

bool MustBeEncoded(unsigned char character) {
    return character == ' ' || character == '"' || character < 0x20 || character == 0x7F;
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

std::string AddressProblem(std::string_view address, platform::TextLimit argumentLimit) {
    if (address.find('\0') != std::string_view::npos) {
        return "the address holds a NUL character, which cannot be passed to the capture tool";
    }
    const std::size_t length = LengthIn(argumentLimit.unit, kUrlOption) +
                               LengthIn(argumentLimit.unit, EncodeUnsafeAddressCharacters(address));
    if (length > argumentLimit.longest) {
        return "the address is too long to pass to the capture tool: as passed it takes " +
               InUnits(length, argumentLimit.unit) + ", the system passes at most " +
               InUnits(argumentLimit.longest, argumentLimit.unit);
    }
    return {};
}

std::string ToolPathProblem(std::string_view toolPath) {
    if (toolPath.find('"') == std::string_view::npos) return {};
    return "the program's folder holds a double quote, which a command line cannot carry, so "
           "the capture tool " +
           std::string(toolPath) + " was not started: move the program to a folder without one";
}

std::string BuildCaptureCommandLine(std::string_view toolPath, std::string_view address,
                                    std::string_view outputPath) {
    for (const std::string& problem : {ToolPathProblem(toolPath), AddressProblem(address)}) {
        if (!problem.empty()) throw CommandLineRefused(problem);
    }
    std::string line = "\"";
    line += toolPath;
    line += "\" ";
    line += kUrlOption;
    line += EncodeUnsafeAddressCharacters(address);
    line += " --out=";
    line += QuoteArgument(outputPath);
    return line;
}

}  // namespace orlenda
