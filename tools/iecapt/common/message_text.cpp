#include "common/message_text.h"

#include <regex>

namespace orlenda::iecapt {
namespace {

constexpr std::size_t kLongestAddress = 200;
constexpr std::size_t kAddressStart = 150;

}  // namespace

std::string oneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    return line;
}

std::string shortAddress(std::string_view url) {
    if (url.size() <= kLongestAddress) return oneLine(url);
    std::size_t cut = kAddressStart;
    // Back to the first byte of a character: continuation bytes are 10xxxxxx.
    while (cut > 0 && (static_cast<unsigned char>(url[cut]) & 0xC0) == 0x80) --cut;
    return oneLine(url.substr(0, cut)) + "... (" + std::to_string(url.size()) + " characters)";
}

bool isBrowserLogLine(std::string_view line) {
    static const std::regex logLine(R"(^\[\d+:\d+:\d{4}/\d{6}\.\d+:[A-Z]+[0-9]*:[^\]]*\].*)");
    return std::regex_match(line.begin(), line.end(), logLine);
}

}  // namespace orlenda::iecapt

namespace orlenda::iecapt {

std::string describeLoadError(std::string_view errorText) {
    std::string code = oneLine(errorText.substr(0, 100));
    if (code == "net::ERR_INVALID_AUTH_CREDENTIALS")
        return "the site asks for a login (" + code + ")";
    if (code == "net::ERR_UNSAFE_REDIRECT") {
        return "it sends the browser on to an address that is not a web page (" + code + ")";
    }
    return code;
}

std::string describeHttpStatus(int status, std::string_view statusText, std::string_view url) {
    std::string note = "the server answered " + std::to_string(status);
    if (!statusText.empty()) note += " " + oneLine(statusText.substr(0, 100));
    note += " for " + shortAddress(url);
    if (status == 401 || status == 407) note += ": the site asks for a login";
    return note + "; captured as it was sent";
}

}  // namespace orlenda::iecapt
