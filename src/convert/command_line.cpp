#include "convert/command_line.h"

#include "platform/files.h"

namespace orlenda {
namespace {

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

}  // namespace orlenda
